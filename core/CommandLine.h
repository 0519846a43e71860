#pragma once

#include "core/Language.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvel::commandline {

/// One option of a program: --name, taking a value (--name VALUE or --name=VALUE) or not.
struct OptionSpec
{
    std::string_view name; ///< without dashes
    bool takesValue = false;
};

/// The options every program has, with the same meaning everywhere.
inline constexpr OptionSpec Help{"help"};
inline constexpr OptionSpec Version{"version"};
inline constexpr OptionSpec Lang{"lang", true}; ///< es or en

/// A command line once read.
struct Parsed
{
    std::vector<std::pair<std::string, std::string>> options; ///< each option met, in order: its name, its value
    std::vector<std::string> operands;                        ///< every other argument, in order
    std::string error; ///< what is wrong, in the wording every program uses; empty when the line is good
    UiLanguage wording = UiLanguage::English; ///< the language error is told in

    bool has(std::string_view name) const;
    /// The value of the last --name given, if any.
    std::optional<std::string> value(std::string_view name) const;
    /// The language --lang asked for, or fallback without --lang.
    UiLanguage language(UiLanguage fallback) const;
};

/// Reads the arguments that follow the program's name. An option is written --name or -name (as Qt's own are),
/// with its value after '=' or as the next argument; -h is --help. "--" makes every later argument an operand; so
/// is a lone "-" (standard input or output) and every argument that does not start with '-'. Options and operands
/// may come in any order. The first problem found ends the reading: an unknown option, a missing value, a value
/// given to an option that takes none, or a --lang other than es or en. The problem is told in the language a
/// valid --lang on the line asks for, else in fallback's.
Parsed parse(const std::vector<std::string_view>& arguments, std::span<const OptionSpec> options,
             UiLanguage fallback = UiLanguage::English);

/// The same for main's argc and argv.
Parsed parse(int argc, char** argv, std::span<const OptionSpec> options, UiLanguage fallback = UiLanguage::English);

/// The one line that reports a bad command line: "PROGRAM: MESSAGE; see PROGRAM --help" (in Spanish "véase"),
/// with its line break.
std::string errorLine(std::string_view program, std::string_view message, UiLanguage language = UiLanguage::English);

/// The line --version prints: "PROGRAM VERSION", with its line break.
std::string versionLine(std::string_view program);

} // namespace quorvel::commandline
