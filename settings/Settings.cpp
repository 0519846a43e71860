#include "settings/Settings.h"

#include "settings/Ini.h"

#include <cstdlib>
#include <cstring>

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

namespace {

// What went wrong, in words that say which of the file or its folder is at fault.
std::string writeFailure(const ini::WriteResult& written, const std::string& path)
{
    const std::string reason = written.error != 0 ? std::string(": ") + std::strerror(written.error) : std::string();
    const std::string kept = ". It was left as it was";
    switch (written.outcome) {
    case ini::WriteOutcome::NotText:
        return "the settings file " + path +
               " is not a text file this program can read (it holds UTF-16 text or binary data)" + kept;
    case ini::WriteOutcome::TooLarge:
        return "the settings file " + path + " is larger than 1 MiB, too large to be a settings file" + kept;
    case ini::WriteOutcome::Unreadable:
        return "cannot read the settings file " + path + reason + kept;
    case ini::WriteOutcome::NotAFile:
        return "the settings file " + path + " is not an ordinary file (a folder, pipe, device or socket)" + kept;
    case ini::WriteOutcome::DanglingLink:
        return "the settings file " + path + " is a symbolic link to " + written.target +
               ", which does not exist (or leads round in a loop). No file was created through it";
    case ini::WriteOutcome::Written:
    case ini::WriteOutcome::BadArguments:
    case ini::WriteOutcome::CannotWrite:
        break;
    }
    return "cannot write the settings file " + path + reason +
           " (check that the folder exists and that you may write there)";
}

} // namespace

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
    const ini::WriteResult written = ini::writeFile(LanguageSection, LanguageKey, value, path);
    if (written.outcome != ini::WriteOutcome::Written) {
        return {1, "quorvel: " + writeFailure(written, path) + "; the start language was not changed"};
    }
    return {0, "quorvel: the start language is now " +
                   std::string(language == UiLanguage::English ? "English" : "Spanish") + " (" + std::string(value) +
                   " in " + path + ")"};
}

} // namespace quorvel
