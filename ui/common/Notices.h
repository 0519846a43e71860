#pragma once

#include "core/Language.h"

#include <QString>

class QWidget;

namespace quorvel::ui {

/// Every blocking dialog of the program goes through here, so that tests can answer or record it
/// instead of blocking. Production shows Qt's standard dialogs.
class Notices
{
public:
    /// What stands behind the dialogs; tests install their own.
    class Handler
    {
    public:
        virtual ~Handler() = default;
        /// A modal notice: OK only, no icon, the application's title.
        virtual void inform(QWidget* parent, const QString& text) = 0;
        /// A modal yes/no question in the given edition's words; true for yes.
        virtual bool confirm(QWidget* parent, const QString& text, UiLanguage language) = 0;
        /// A file name to save to, or the empty text when the user cancels.
        virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& suggestion,
                                     const QString& filter) = 0;
        /// A file name to save to, with the dialog's own words in the edition's language; by default as
        /// saveFileName.
        virtual QString saveFileNameIn(QWidget* parent, const QString& caption, const QString& suggestion,
                                       const QString& filter, UiLanguage language);
        /// A file name to save to, as saveFileNameIn, and in chosenFilter the entry of filter the user chose
        /// (";;"-separated entries such as "JSON files (*.json)"); by default as saveFileNameIn, no type chosen.
        virtual QString saveFileOfType(QWidget* parent, const QString& caption, const QString& suggestion,
                                       const QString& filter, UiLanguage language, QString& chosenFilter);
        /// A file name to read from, the dialog's own words in the edition's language, or the empty text when
        /// the user cancels (the default: a handler that expects no such question cancels it).
        virtual QString openFileName(QWidget* parent, const QString& caption, const QString& directory,
                                     const QString& filter, UiLanguage language);
    };

    static void inform(QWidget* parent, const QString& text);
    static bool confirm(QWidget* parent, const QString& text, UiLanguage language);
    static QString saveFileName(QWidget* parent, const QString& caption, const QString& suggestion,
                                const QString& filter);
    static QString saveFileName(QWidget* parent, const QString& caption, const QString& suggestion,
                                const QString& filter, UiLanguage language);
    static QString saveFileOfType(QWidget* parent, const QString& caption, const QString& suggestion,
                                  const QString& filter, UiLanguage language, QString& chosenFilter);
    static QString openFileName(QWidget* parent, const QString& caption, const QString& directory,
                                const QString& filter, UiLanguage language);

    /// Puts a handler in place (not owned); nullptr restores the dialogs.
    static void setHandler(Handler* handler);

    /// The title every notice carries.
    static QString applicationTitle();
};

} // namespace quorvel::ui
