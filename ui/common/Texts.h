#pragma once

#include "core/Language.h"

#include <QString>

namespace quorvel::ui {

/// The captions and messages of both editions, kept per window role in resources/texts/<role>.tsv:
/// one line per key, "key<TAB>Spanish<TAB>English", lines starting with '#' ignored, "\n" for a line break.
/// Texts are used exactly as written there, blanks included. They are compiled in (see core/TextTable.h).
class Texts
{
public:
    /// The text of key in the given edition. A missing key is a programming error: it is reported with
    /// qCritical ("Missing text role:key"), which ends a test run, and comes back as "<role:key>".
    static QString get(const QString& role, const QString& key, UiLanguage language);
};

/// Shorthand for a window class: the texts of one role in one edition.
class EditionTexts
{
public:
    EditionTexts(QString role, UiLanguage language) : m_role(std::move(role)), m_language(language) {}

    QString operator()(const char* key) const { return Texts::get(m_role, QString::fromUtf8(key), m_language); }
    UiLanguage language() const { return m_language; }

private:
    QString m_role;
    UiLanguage m_language;
};

} // namespace quorvel::ui
