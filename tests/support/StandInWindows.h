#pragma once

// Stand-in windows for the window tests: companions that are not under test, recording that they were made.

#include "core/Language.h"
#include "tests/support/TestSupport.h"
#include "ui/common/Windows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QStringList>
#include <QWidget>

namespace quorvel::test {

/// A stand-in for a companion window that is not under test: it records that it was made and leaves the
/// registry when it closes, like every window.
class StandInWindow final : public QWidget
{
public:
    StandInWindow(const QString& name, QStringList* made) : m_name(name)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        setObjectName(name);
        made->append(name);
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        ui::Windows::instance().unloaded(this);
        event->accept();
    }

private:
    QString m_name;
};

inline QString editionSuffix(UiLanguage language)
{
    return language == UiLanguage::Spanish ? QStringLiteral("_es") : QStringLiteral("_en");
}

/// Registers stand-ins for the favourites, reduced, register and symbology windows; their names go to *made
/// as "favourites_es", "register_en", ...
inline void registerStandIns(QStringList* made)
{
    const std::pair<ui::WindowRole, const char*> roles[] = {
        {ui::WindowRole::Favourites, "favourites"},
        {ui::WindowRole::Reduced, "reduced"},
        {ui::WindowRole::Register, "register"},
        {ui::WindowRole::Symbology, "symbology"},
    };
    for (const auto& [role, name] : roles) {
        const QString base = QString::fromLatin1(name);
        ui::Windows::instance().setFactory(role, [base, made](UiLanguage language) -> QWidget* {
            return new StandInWindow(base + editionSuffix(language), made);
        });
    }
}

/// The visible top-level windows' object names, sorted.
inline QStringList visibleWindows()
{
    QStringList names;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && !widget->objectName().isEmpty()) {
            names << widget->objectName();
        }
    }
    names.sort();
    return names;
}

/// Lets deferred deletions and the registry's queued checks run.
inline void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

} // namespace quorvel::test
