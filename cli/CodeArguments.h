#pragma once

#include "core/Language.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::cli {

/// What the command line asked for.
struct Options
{
    UiLanguage language = UiLanguage::Spanish;
    bool json = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> names;     ///< the NAME arguments; when empty, the lines of standard input are coded
    bool check = false;                 ///< --check
    std::optional<std::string> endings; ///< --endings LIST, as given
    std::optional<std::string> bootstrapAddress; ///< --rdap-bootstrap URL, as given
};

/// The outcome of reading the command line: the options, or why they could not be read.
struct ParsedArguments
{
    Options options;
    std::string error; ///< empty when the command line is good
};

/// Reads the arguments that follow the program's name.
ParsedArguments parseArguments(const std::vector<std::string_view>& args);

/// The usage text printed by --help.
std::string_view usageText();

/// The line printed by --version.
std::string versionText();

} // namespace quorvel::cli
