#pragma once

#include "cli/CodeArguments.h"
#include "cli/CodeReport.h"

#include <string>
#include <string_view>
#include <vector>

namespace quorvel::cli {

/// The availability options of the command line.
struct CheckOptions
{
    bool check = false;              ///< --check: look up the registration status of every domain
    std::string endings = "net org"; ///< --endings: the other endings as typed
    std::string bootstrapAddress;    ///< --rdap-bootstrap: empty for QUORVEL_RDAP_BOOTSTRAP or IANA's file
};

/// The availability options of a command line once checked.
struct CheckArguments
{
    CheckOptions options;
    std::string error; ///< empty when the options are good
};

/// Checks --check, --endings LIST and --rdap-bootstrap URL as the command line gave them: --endings and
/// --rdap-bootstrap need --check, every ending must be one, and a bootstrap given by option or environment must
/// be an https:// URL (or http:// on loopback).
CheckArguments checkArguments(const Options& given);

/// The part of the usage text about these options.
std::string_view checkUsageText();

/// The exit status when every name was coded but some answer is unknown.
inline constexpr int SomeAnswerUnknown = 3;

/// Codes the names as the program does without --check, and looks up every domain of each name: the five
/// .com domains and the name under the other endings, many names at once within the manners of the look-ups.
/// The reports come out in input order, each once its answers are in. Returns the exit status.
int runCheck(int argc, char** argv, const Options& options, const CheckOptions& check);

} // namespace quorvel::cli
