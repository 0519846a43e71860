#include "cli/CodeArguments.h"

#include "core/CommandLine.h"

namespace quorvel::cli {

namespace {

constexpr std::string_view Usage =
    "Usage: quorvel-code [--lang es|en] [--json] [--check [--endings LIST] [--rdap-bootstrap URL]]\n"
    "                    [--] [NAME ...]\n"
    "\n"
    "Corrects each NAME to the rules for a domain name and prints its addresses: the plain\n"
    ".com address and the four figure addresses. Without NAME, each line of standard input\n"
    "is one name.\n"
    "\n"
    "  --lang es|en  language of the correction notices (default: es)\n"
    "  --json        one JSON object per name on standard output\n"
    "  --help        show this text\n"
    "  --version     show the program's version\n"
    "  --            every following argument is a NAME, even one that starts with '-'\n";

} // namespace

ParsedArguments parseArguments(const std::vector<std::string_view>& args)
{
    static constexpr commandline::OptionSpec Known[] = {
        commandline::Help, commandline::Version, commandline::Lang,       {"json"},
        {"check"},         {"endings", true},    {"rdap-bootstrap", true}};
    const commandline::Parsed line = commandline::parse(args, Known);
    ParsedArguments parsed;
    parsed.error = line.error;
    if (!line.error.empty()) {
        return parsed;
    }
    // A lone "-" is a name too (it is corrected to the empty name).
    parsed.options.names = line.operands;
    parsed.options.language = line.language(UiLanguage::Spanish);
    parsed.options.json = line.has("json");
    parsed.options.help = line.has(commandline::Help.name);
    parsed.options.version = line.has(commandline::Version.name);
    parsed.options.check = line.has("check");
    parsed.options.endings = line.value("endings");
    parsed.options.bootstrapAddress = line.value("rdap-bootstrap");
    return parsed;
}

std::string_view usageText()
{
    return Usage;
}

std::string versionText()
{
    return commandline::versionLine("quorvel-code");
}

} // namespace quorvel::cli
