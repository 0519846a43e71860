#include "cli/CodeArguments.h"

#include "QuorvelConfig.h"

namespace quorvel::cli {

namespace {

constexpr std::string_view Usage =
    "Usage: quorvel-code [--lang es|en] [--json] [--] [NAME ...]\n"
    "\n"
    "Corrects each NAME to the rules for a domain name and prints its addresses: the plain\n"
    ".com address and the four figure addresses. Without NAME, each line of standard input\n"
    "is one name.\n"
    "\n"
    "  --lang es|en  language of the correction notices (default: es)\n"
    "  --json        one JSON object per name on standard output\n"
    "  --help        show this text\n"
    "  --version     show the program's version\n"
    "  --            every following argument is a NAME, even one that starts with '-'\n"
    "\n"
    "Exit status: 0 when every name was coded, 1 when an input could not be coded\n"
    "or standard output or standard error could not be written, 2 for a bad command\n"
    "line. Notices that cannot be written do not stop the answers.\n";

} // namespace

ParsedArguments parseArguments(const std::vector<std::string_view>& args)
{
    ParsedArguments parsed;
    auto fail = [&parsed](std::string message) {
        parsed.error = std::move(message);
        return parsed;
    };
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        // A lone "-" is a name (it is corrected to the empty name), not an option.
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.options.names.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--json") {
            parsed.options.json = true;
        } else if (arg == "--help" || arg == "-h") {
            parsed.options.help = true;
        } else if (arg == "--version") {
            parsed.options.version = true;
        } else if (arg == "--lang" || arg.starts_with("--lang=")) {
            std::string_view value;
            if (arg == "--lang") {
                if (i + 1 >= args.size()) {
                    return fail("option --lang needs a value: es or en");
                }
                value = args[++i];
            } else {
                value = arg.substr(7);
            }
            if (value == "es") {
                parsed.options.language = UiLanguage::Spanish;
            } else if (value == "en") {
                parsed.options.language = UiLanguage::English;
            } else {
                return fail("unknown language '" + std::string(value) + "' for --lang: use es or en");
            }
        } else {
            return fail("unknown option '" + std::string(arg) + "' (put -- before a name that starts with '-')");
        }
    }
    return parsed;
}

std::string_view usageText()
{
    return Usage;
}

std::string versionText()
{
    return "quorvel-code " + std::string(quorvel::ProgramVersion) + "\n";
}

} // namespace quorvel::cli
