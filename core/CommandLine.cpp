#include "core/CommandLine.h"

#include "QuorvelConfig.h"

#include <algorithm>

namespace quorvel::commandline {

bool Parsed::has(std::string_view name) const
{
    return std::any_of(options.begin(), options.end(), [name](const auto& option) { return option.first == name; });
}

std::optional<std::string> Parsed::value(std::string_view name) const
{
    for (auto it = options.rbegin(); it != options.rend(); ++it) {
        if (it->first == name) {
            return it->second;
        }
    }
    return std::nullopt;
}

UiLanguage Parsed::language(UiLanguage fallback) const
{
    const std::optional<std::string> lang = value(Lang.name);
    if (!lang) {
        return fallback;
    }
    return *lang == "es" ? UiLanguage::Spanish : UiLanguage::English; // parse() lets only es and en through
}

Parsed parse(const std::vector<std::string_view>& arguments, std::span<const OptionSpec> options)
{
    Parsed parsed;
    auto fail = [&parsed](std::string message) {
        parsed.error = std::move(message);
        parsed.options.clear();
        parsed.operands.clear();
        return parsed;
    };
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            parsed.operands.emplace_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string_view name = argument.substr(argument.starts_with("--") ? 2 : 1);
        std::optional<std::string_view> inlineValue;
        if (const std::size_t equals = name.find('='); equals != std::string_view::npos) {
            inlineValue = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        if (name == "h" && argument == "-h") {
            name = Help.name;
        }
        const auto spec =
            std::find_if(options.begin(), options.end(), [name](const OptionSpec& o) { return o.name == name; });
        const std::string whole = "'" + std::string(argument) + "'";
        const std::string shown = "'" + std::string(argument.substr(0, argument.find('='))) + "'";
        if (spec == options.end()) {
            return fail("unknown option " + whole);
        }
        std::string value;
        if (spec->takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                return fail("option " + shown + " needs a value");
            }
        } else if (inlineValue) {
            return fail("option " + whole + " takes no value");
        }
        if (spec->name == Lang.name && value != "es" && value != "en") {
            return fail("option " + shown + " takes es or en, not '" + value + "'");
        }
        parsed.options.emplace_back(std::string(spec->name), std::move(value));
    }
    return parsed;
}

Parsed parse(int argc, char** argv, std::span<const OptionSpec> options)
{
    std::vector<std::string_view> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    return parse(arguments, options);
}

std::string errorLine(std::string_view program, std::string_view message)
{
    std::string line(program);
    line += ": ";
    line += message;
    line += "; see ";
    line += program;
    line += " --help\n";
    return line;
}

std::string versionLine(std::string_view program)
{
    return std::string(program) + " " + std::string(ProgramVersion) + "\n";
}

} // namespace quorvel::commandline
