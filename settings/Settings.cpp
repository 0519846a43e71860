#include "settings/Settings.h"

#include "settings/Ini.h"

#include <cstdlib>

#ifndef QUORVEL_SYSCONFDIR
#define QUORVEL_SYSCONFDIR "/etc"
#endif

namespace quorvel {

std::string SettingsPath;

std::string systemDirectory()
{
    const char* overridden = std::getenv("QUORVEL_SYSTEM_DIR");
    if (overridden != nullptr && *overridden != '\0') {
        return overridden;
    }
    return QUORVEL_SYSCONFDIR;
}

std::string settingsPathIn(std::string_view folder)
{
    // The folder is used whole, however long; trailing separators are not doubled.
    while (folder.size() > 1 && folder.back() == '/') {
        folder.remove_suffix(1);
    }
    if (folder == "/") {
        folder = {};
    }
    return std::string(folder) + "/quorvel.ini";
}

std::string defaultSettingsPath()
{
    return settingsPathIn(systemDirectory());
}

UiLanguage languageForSetting(std::string_view value)
{
    return value == EnglishSetting ? UiLanguage::English : UiLanguage::Spanish;
}

std::string_view settingForLanguage(UiLanguage language)
{
    return language == UiLanguage::English ? EnglishSetting : SpanishSetting;
}

UiLanguage readStartLanguage(const std::string& path)
{
    return languageForSetting(readIni(LanguageSection, LanguageKey, path));
}

SetLanguageOutcome setStartLanguage(std::string_view code, const std::string& path)
{
    UiLanguage language = UiLanguage::Spanish;
    if (code == "es") {
        language = UiLanguage::Spanish;
    } else if (code == "en") {
        language = UiLanguage::English;
    } else {
        return {2, "quorvel: unknown language '" + std::string(code) + "'; use --set-language es or --set-language en"};
    }
    const std::string_view value = settingForLanguage(language);
    if (writeIni(LanguageSection, LanguageKey, value, path) == "0") {
        return {1, "quorvel: cannot write the settings file " + path +
                       " (check that the folder exists and that you may write there); the start language was not "
                       "changed"};
    }
    return {0, "quorvel: the start language is now " +
                   std::string(language == UiLanguage::English ? "English" : "Spanish") + " (" + std::string(value) +
                   " in " + path + ")"};
}

} // namespace quorvel
