#include "ui/common/Notices.h"

#include "ui/common/Texts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace quorvel::ui {

namespace {

class DialogHandler final : public Notices::Handler
{
public:
    void inform(QWidget* parent, const QString& text) override
    {
        QMessageBox box(QMessageBox::NoIcon, Notices::applicationTitle(), text, QMessageBox::Ok, parent);
        box.exec();
    }

    bool confirm(QWidget* parent, const QString& text, UiLanguage language) override
    {
        QMessageBox box(QMessageBox::NoIcon, Notices::applicationTitle(), text, QMessageBox::NoButton, parent);
        const EditionTexts texts(QStringLiteral("common"), language);
        QPushButton* yes = box.addButton(texts("yes"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(texts("no"), QMessageBox::NoRole);
        box.setDefaultButton(no);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes;
    }

    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggestion,
                         const QString& filter) override
    {
        return QFileDialog::getSaveFileName(parent, caption, suggestion, filter);
    }
};

Notices::Handler* g_handler = nullptr;

Notices::Handler& handler()
{
    static DialogHandler dialogs;
    return g_handler != nullptr ? *g_handler : dialogs;
}

} // namespace

void Notices::inform(QWidget* parent, const QString& text)
{
    handler().inform(parent, text);
}

bool Notices::confirm(QWidget* parent, const QString& text, UiLanguage language)
{
    return handler().confirm(parent, text, language);
}

QString Notices::saveFileName(QWidget* parent, const QString& caption, const QString& suggestion, const QString& filter)
{
    return handler().saveFileName(parent, caption, suggestion, filter);
}

void Notices::setHandler(Handler* replacement)
{
    g_handler = replacement;
}

QString Notices::applicationTitle()
{
    // The same in both editions.
    return Texts::get(QStringLiteral("common"), QStringLiteral("applicationTitle"), UiLanguage::Spanish);
}

} // namespace quorvel::ui
