#include "ui/common/Notices.h"

#include "ui/common/QtTexts.h"
#include "ui/common/Texts.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace quorvel::ui {

namespace {

/// Qt's own file dialog (not the desktop's), so that its words follow the edition rather than the system.
/// The ending the first pattern of a filter entry asks for ("json" for "JSON files (*.json *.jsonl)").
QString suffixOfFilter(const QString& entry)
{
    const qsizetype star = entry.indexOf(QLatin1String("*."));
    if (star < 0) {
        return {};
    }
    qsizetype end = star + 2;
    while (end < entry.size() && entry[end].isLetterOrNumber()) {
        ++end;
    }
    return entry.mid(star + 2, end - star - 2);
}

QString askFileName(QWidget* parent, const QString& caption, const QString& path, const QString& filter,
                    UiLanguage language, QFileDialog::AcceptMode mode, QString* chosenFilter = nullptr)
{
    const QtTextsDuring words(language); // the dialog's buttons and labels in the edition's language
    QFileDialog dialog(parent, caption, path, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (mode == QFileDialog::AcceptSave) {
        // A name typed without an ending gets the suggestion's, before the dialog asks about replacing a file.
        dialog.setDefaultSuffix(QFileInfo(path).suffix());
        if (chosenFilter != nullptr) {
            // The type chosen decides the ending a name typed without one gets.
            const QStringList entries = filter.split(QStringLiteral(";;"));
            for (const QString& entry : entries) {
                if (!suffixOfFilter(entry).isEmpty() &&
                    suffixOfFilter(entry).compare(QFileInfo(path).suffix(), Qt::CaseInsensitive) == 0) {
                    dialog.selectNameFilter(entry);
                    break;
                }
            }
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& entry) {
                if (const QString suffix = suffixOfFilter(entry); !suffix.isEmpty()) {
                    dialog.setDefaultSuffix(suffix);
                }
            });
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    if (chosenFilter != nullptr) {
        *chosenFilter = dialog.selectedNameFilter();
    }
    return dialog.selectedFiles().constFirst();
}

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

    QString saveFileNameIn(QWidget* parent, const QString& caption, const QString& suggestion, const QString& filter,
                           UiLanguage language) override
    {
        return askFileName(parent, caption, suggestion, filter, language, QFileDialog::AcceptSave);
    }

    QString saveFileOfType(QWidget* parent, const QString& caption, const QString& suggestion, const QString& filter,
                           UiLanguage language, QString& chosenFilter) override
    {
        return askFileName(parent, caption, suggestion, filter, language, QFileDialog::AcceptSave, &chosenFilter);
    }

    QString openFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter,
                         UiLanguage language) override
    {
        return askFileName(parent, caption, directory, filter, language, QFileDialog::AcceptOpen);
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

QString Notices::saveFileName(QWidget* parent, const QString& caption, const QString& suggestion, const QString& filter,
                              UiLanguage language)
{
    return handler().saveFileNameIn(parent, caption, suggestion, filter, language);
}

QString Notices::saveFileOfType(QWidget* parent, const QString& caption, const QString& suggestion,
                                const QString& filter, UiLanguage language, QString& chosenFilter)
{
    return handler().saveFileOfType(parent, caption, suggestion, filter, language, chosenFilter);
}

QString Notices::openFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter,
                              UiLanguage language)
{
    return handler().openFileName(parent, caption, directory, filter, language);
}

QString Notices::Handler::saveFileNameIn(QWidget* parent, const QString& caption, const QString& suggestion,
                                         const QString& filter, UiLanguage /*language*/)
{
    return saveFileName(parent, caption, suggestion, filter);
}

QString Notices::Handler::saveFileOfType(QWidget* parent, const QString& caption, const QString& suggestion,
                                         const QString& filter, UiLanguage language, QString& /*chosenFilter*/)
{
    return saveFileNameIn(parent, caption, suggestion, filter, language);
}

QString Notices::Handler::openFileName(QWidget* /*parent*/, const QString& /*caption*/, const QString& /*directory*/,
                                       const QString& /*filter*/, UiLanguage /*language*/)
{
    return {};
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
