// Checks the name rules and the figure coding on any input: the invariants of the corrections, and that the
// single-pass validation gives exactly the steps of the plain rescan-from-the-start definition.
#include "core/FigureCoding.h"
#include "core/NameRules.h"
#include "core/Unicode.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quorvel;

namespace {

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

char32_t lowerAscii(char32_t c)
{
    return (c >= U'A' && c <= U'Z') ? c - U'A' + U'a' : c;
}

// The rules as they are defined: scan from position 1; on a fault emit the step, correct and start again.
std::vector<NameStep> rescanDefinition(std::u32string text)
{
    std::vector<NameStep> steps;
    std::size_t p = 1;
    while (p <= text.size()) {
        const char32_t c = lowerAscii(text[p - 1]);
        if (p == 1 && c == U'-') {
            steps.push_back({NameNotice::LeadingHyphen, 1});
            text.erase(0, 1);
            p = 1;
        } else if (!isNameSymbol(c)) {
            steps.push_back({NameNotice::InvalidCharacter, static_cast<int>(p)});
            text.erase(p - 1, 1);
            p = 1;
        } else {
            ++p;
        }
    }
    if (text.size() > 40) {
        steps.push_back({NameNotice::TooLong, 0});
    }
    return steps;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::u32string input = decodeUtf8(bytes);
    check(encodeUtf8(input) == bytes); // undecodable bytes come back unchanged

    const std::vector<NameStep> steps = validateName(input);
    std::u32string text = input;
    bool cut = false;
    for (const NameStep& step : steps) {
        check(!cut); // TooLong is the last step, and comes at most once
        const std::size_t before = text.size();
        if (step.notice == NameNotice::TooLong) {
            check(step.position == 0 && before > 40);
            cut = true;
        } else {
            check(step.position >= 1 && static_cast<std::size_t>(step.position) <= before);
            if (step.notice == NameNotice::LeadingHyphen) {
                check(step.position == 1 && text[0] == U'-');
            } else {
                check(!isNameSymbol(text[static_cast<std::size_t>(step.position) - 1]));
            }
        }
        applyNameStep(text, step);
        check(step.notice == NameNotice::TooLong ? text.size() == 40 : text.size() == before - 1);
        check(!noticeText(step, UiLanguage::Spanish).empty() && !noticeText(step, UiLanguage::English).empty());
    }
    check(text.size() <= 40);
    check(text.empty() || text[0] != U'-');
    for (char32_t c : text) {
        check(isNameSymbol(c));
    }
    check(text == correctedName(input));
    if (input.size() <= 64) {
        check(steps == rescanDefinition(input));
    }

    const std::string name = asciiLower(encodeUtf8(text));
    for (FigureKind kind : AllFigureKinds) {
        const std::string code = figureCode(kind, name);
        check(code.size() == 3 && code[0] == figureLetter(kind));
        check(figureAddress(kind, name) == "http://" + registerAddress(kind, name));
    }
    // Any text, valid or not, codes without harm.
    for (FigureKind kind : AllFigureKinds) {
        check(figureCode(kind, bytes).size() == 3);
    }
    return 0;
}
