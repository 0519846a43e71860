#include "core/CommandLine.h"

#include "QuorvelConfig.h"
#include "core/TextTable.h"

#include <algorithm>

namespace quorvel::commandline {

namespace {

/// The command-line text of key in the given edition, with %1 and %2 replaced by first and second.
std::string wording(std::string_view key, UiLanguage language, std::string_view first, std::string_view second = {})
{
    const std::string_view pattern = findText("cli", key, language).value_or(key);
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
            out += pattern[i + 1] == '1' ? first : second;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

/// The language a valid --lang anywhere before "--" asks for, so that a problem elsewhere on the line is told in
/// it; fallback otherwise.
UiLanguage wordingLanguage(const std::vector<std::string_view>& arguments, UiLanguage fallback)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--") {
            break;
        }
        std::string_view value;
        if ((argument == "--lang" || argument == "-lang") && i + 1 < arguments.size()) {
            value = arguments[++i];
        } else if (argument.starts_with("--lang=") || argument.starts_with("-lang=")) {
            value = argument.substr(argument.find('=') + 1);
        }
        if (value == "es") {
            fallback = UiLanguage::Spanish;
        } else if (value == "en") {
            fallback = UiLanguage::English;
        }
    }
    return fallback;
}

} // namespace

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

Parsed parse(const std::vector<std::string_view>& arguments, std::span<const OptionSpec> options, UiLanguage fallback)
{
    Parsed parsed;
    parsed.wording = wordingLanguage(arguments, fallback);
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
        const auto known =
            std::find_if(options.begin(), options.end(), [name](const OptionSpec& o) { return o.name == name; });
        const std::string_view shown = argument.substr(0, argument.find('='));
        if (known == options.end()) {
            return fail(wording("option.unknown", parsed.wording, argument));
        }
        std::string value;
        if (known->takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                return fail(wording("option.needsValue", parsed.wording, shown));
            }
        } else if (inlineValue) {
            return fail(wording("option.takesNoValue", parsed.wording, argument));
        }
        if (known->name == Lang.name && value != "es" && value != "en") {
            return fail(wording("option.badLang", parsed.wording, shown, value));
        }
        parsed.options.emplace_back(std::string(known->name), std::move(value));
    }
    return parsed;
}

Parsed parse(int argc, char** argv, std::span<const OptionSpec> options, UiLanguage fallback)
{
    std::vector<std::string_view> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    return parse(arguments, options, fallback);
}

std::string errorLine(std::string_view program, std::string_view message, UiLanguage language)
{
    return wording("option.seeHelp", language, program, message) + "\n";
}

std::string versionLine(std::string_view program)
{
    return std::string(program) + " " + std::string(ProgramVersion) + "\n";
}

} // namespace quorvel::commandline
