#include "ui/common/Closing.h"

#include "ui/common/Windows.h"

#include <QCloseEvent>
#include <QShortcut>
#include <QWidget>

namespace quorvel::ui {

void acceptClose(QWidget* window, QCloseEvent* event, UiLanguage language, AfterClose after)
{
    event->accept();
    if (after == AfterClose::MainWindowBack) {
        Windows::instance().unloadedBackToMain(window, language);
    } else {
        Windows::instance().unloaded(window);
    }
}

void closeOnEscape(QWidget* window)
{
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setObjectName(QStringLiteral("closeOnEscape"));
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
}

} // namespace quorvel::ui
