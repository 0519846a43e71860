#pragma once

#include "core/Language.h"

#include <string>
#include <string_view>

namespace quorvel {

/// Full path of the settings file, worked out once at start (startUp) and kept for the run.
extern std::string SettingsPath;

/// Where the settings file lives: the per-machine configuration folder of the installation, or the folder named by
/// the environment variable QUORVEL_SYSTEM_DIR when it is set and not empty.
std::string systemDirectory();

/// The settings file in a folder: folder + "/quorvel.ini" (an empty folder gives "/quorvel.ini").
std::string settingsPathIn(std::string_view folder);

/// The settings file of this machine: settingsPathIn(systemDirectory()).
std::string defaultSettingsPath();

/// Where the start language is kept: key "Inici" of section "Idioma".
inline constexpr std::string_view LanguageSection = "Idioma";
inline constexpr std::string_view LanguageKey = "Inici";
inline constexpr std::string_view SpanishSetting = "Espanyol";
inline constexpr std::string_view EnglishSetting = "Angles";

/// Only the exact text "Angles" stands for English; every other value (empty included) for Spanish.
UiLanguage languageForSetting(std::string_view value);

/// The value stored for a language: "Espanyol" or "Angles".
std::string_view settingForLanguage(UiLanguage language);

/// The start language kept in the settings file at path (Spanish when the file or the key is missing).
UiLanguage readStartLanguage(const std::string& path);

/// The outcome of storing the start language from the command line.
struct SetLanguageOutcome
{
    int exitStatus = 0;  ///< 0 stored, 1 the file could not be written, 2 the language code is not known
    std::string message; ///< one line for the user, in English
};

/// Stores the start language named by code ("es" or "en") in the settings file at path with writeIni.
SetLanguageOutcome setStartLanguage(std::string_view code, const std::string& path);

} // namespace quorvel
