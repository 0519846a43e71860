#include "launch/ExecLine.h"

namespace quorvel::launch {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

bool escapableInDoubleQuotes(char c)
{
    return c == '"' || c == '`' || c == '$' || c == '\\';
}

bool isFileOrUrlCode(char c)
{
    return c == 'f' || c == 'F' || c == 'u' || c == 'U';
}

bool isDeprecatedCode(char c)
{
    return c == 'd' || c == 'D' || c == 'n' || c == 'N' || c == 'v' || c == 'm';
}

// One word with its field codes expanded, appended to out (a word may become none, or two for %i).
// Returns false on an unknown or incomplete field code.
bool expandWord(const std::string& word, const DesktopEntry& entry, std::string_view address,
                std::vector<std::string>& out, bool& addressPlaced)
{
    // A word that is one code alone stands for whole arguments: %i gives two or none, the deprecated ones none.
    if (word.size() == 2 && word[0] == '%') {
        if (word[1] == 'i') {
            if (!entry.icon.empty()) {
                out.emplace_back("--icon");
                out.push_back(entry.icon);
            }
            return true;
        }
        if (isDeprecatedCode(word[1])) {
            return true;
        }
    }
    std::string expanded;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%') {
            expanded.push_back(word[i]);
            continue;
        }
        if (++i == word.size()) {
            return false; // a lone percent sign at the end
        }
        const char code = word[i];
        if (isFileOrUrlCode(code)) {
            expanded.append(address);
            addressPlaced = true;
        } else if (code == '%') {
            expanded.push_back('%');
        } else if (code == 'c') {
            expanded.append(entry.name);
        } else if (code == 'k') {
            expanded.append(entry.location);
        } else if (code == 'i' || isDeprecatedCode(code)) {
            // Inside a longer word these have no place of their own: they expand to nothing.
        } else {
            return false;
        }
    }
    out.push_back(std::move(expanded));
    return true;
}

} // namespace

std::optional<std::vector<std::string>> splitCommandLine(std::string_view commandLine)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    std::size_t i = 0;
    while (i < commandLine.size()) {
        const char c = commandLine[i];
        if (isBlank(c)) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
            ++i;
            continue;
        }
        inWord = true;
        if (c == '"') {
            ++i;
            for (;;) {
                if (i >= commandLine.size()) {
                    return std::nullopt; // unterminated
                }
                const char q = commandLine[i];
                if (q == '"') {
                    ++i;
                    break;
                }
                if (q == '\\' && i + 1 < commandLine.size() && escapableInDoubleQuotes(commandLine[i + 1])) {
                    word.push_back(commandLine[i + 1]);
                    i += 2;
                    continue;
                }
                word.push_back(q);
                ++i;
            }
        } else if (c == '\'') {
            const std::size_t end = commandLine.find('\'', i + 1);
            if (end == std::string_view::npos) {
                return std::nullopt;
            }
            word.append(commandLine.substr(i + 1, end - i - 1));
            i = end + 1;
        } else if (c == '\\') {
            if (i + 1 >= commandLine.size()) {
                return std::nullopt;
            }
            word.push_back(commandLine[i + 1]);
            i += 2;
        } else {
            word.push_back(c);
            ++i;
        }
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    if (words.empty()) {
        return std::nullopt;
    }
    return words;
}

std::optional<std::vector<std::string>> commandForAddress(const DesktopEntry& entry, std::string_view address)
{
    const std::optional<std::vector<std::string>> words = splitCommandLine(entry.commandLine);
    if (!words) {
        return std::nullopt;
    }
    std::vector<std::string> arguments;
    bool addressPlaced = false;
    for (const std::string& word : *words) {
        if (!expandWord(word, entry, address, arguments, addressPlaced)) {
            return std::nullopt;
        }
    }
    // The program's name or path may not hold an equals sign ("VAR=1 program" is no command line).
    if (arguments.empty() || arguments.front().empty() || arguments.front().find('=') != std::string::npos) {
        return std::nullopt;
    }
    if (!addressPlaced) {
        arguments.emplace_back(address);
    }
    return arguments;
}

} // namespace quorvel::launch
