#include "core/NameRules.h"

#include "core/TextTable.h"

#include <algorithm>
#include <array>

namespace quorvel {

namespace {

// The number as a number-to-text conversion writes it: one leading blank where the sign would stand.
std::string signedDecimal(int value)
{
    std::string text = std::to_string(value);
    if (value >= 0) {
        text.insert(text.begin(), ' ');
    }
    return text;
}

constexpr std::array<bool, 128> makeNameSymbolTable()
{
    std::array<bool, 128> table{};
    for (char32_t c = 0; c < table.size(); ++c) {
        const char32_t lower = asciiLower(c);
        table[c] = (lower >= U'a' && lower <= U'z') || (lower >= U'0' && lower <= U'9') || lower == U'-';
    }
    return table;
}

// The ASCII characters that are name symbols: looked up rather than compared, since every character of every
// name is checked.
constexpr std::array<bool, 128> NameSymbolTable = makeNameSymbolTable();

} // namespace

bool isNameSymbol(char32_t c)
{
    return c < NameSymbolTable.size() && NameSymbolTable[c];
}

std::vector<NameStep> validateName(std::u32string_view text)
{
    std::vector<NameStep> steps;
    validateName(text, steps);
    return steps;
}

void validateName(std::u32string_view text, std::vector<NameStep>& steps)
{
    // A single left-to-right pass gives the same steps as rescanning from position 1 after every removal:
    // the kept prefix never changes, so only the character that follows it needs checking, and it is
    // "in position 1" exactly when nothing has been kept yet.
    steps.clear();
    std::size_t kept = 0;
    for (char32_t c : text) {
        if (kept == 0 && c == U'-') {
            steps.push_back({NameNotice::LeadingHyphen, 1});
        } else if (!isNameSymbol(c)) {
            steps.push_back({NameNotice::InvalidCharacter, static_cast<int>(kept + 1)});
        } else {
            ++kept;
        }
    }
    if (kept > static_cast<std::size_t>(MaxNameLength)) {
        steps.push_back({NameNotice::TooLong, 0});
    }
}

void applyNameStep(std::u32string& text, const NameStep& step)
{
    if (step.notice == NameNotice::TooLong) {
        if (text.size() > static_cast<std::size_t>(MaxNameLength)) {
            text.resize(MaxNameLength);
        }
        return;
    }
    const auto index = static_cast<std::size_t>(step.position - 1);
    if (step.position >= 1 && index < text.size()) {
        text.erase(index, 1);
    }
}

std::u32string correctedName(std::u32string_view text)
{
    std::u32string out;
    out.reserve(std::min<std::size_t>(text.size(), MaxNameLength + 1));
    for (char32_t c : text) {
        if (isNameSymbol(c) && !(out.empty() && c == U'-')) {
            out.push_back(c);
        }
    }
    if (out.size() > static_cast<std::size_t>(MaxNameLength)) {
        out.resize(MaxNameLength);
    }
    return out;
}

std::string noticeText(const NameStep& step, UiLanguage language)
{
    const std::size_t edition = editionIndex(language);
    switch (step.notice) {
    case NameNotice::LeadingHyphen:
        return std::string(textOfBothEditions("notices", "leadingHyphen")[edition]);
    case NameNotice::InvalidCharacter: {
        std::string text(textOfBothEditions("notices", "invalidCharacter")[edition]);
        const std::size_t place = text.find("%1");
        if (place != std::string::npos) {
            text.replace(place, 2, signedDecimal(step.position));
        }
        return text;
    }
    case NameNotice::TooLong:
        return std::string(textOfBothEditions("notices", "tooLong")[edition]);
    }
    return {};
}

std::string reducedWindowNoticeText(const NameStep& step, UiLanguage language)
{
    if (step.notice == NameNotice::TooLong) {
        return std::string(textOfBothEditions("notices", "tooLong.reduced")[editionIndex(language)]);
    }
    return noticeText(step, language);
}

std::string_view noticeName(NameNotice notice)
{
    switch (notice) {
    case NameNotice::LeadingHyphen:
        return "LeadingHyphen";
    case NameNotice::InvalidCharacter:
        return "InvalidCharacter";
    case NameNotice::TooLong:
        return "TooLong";
    }
    return {};
}

} // namespace quorvel
