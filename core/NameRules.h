#pragma once

#include "core/AsciiText.h"
#include "core/Language.h"

#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

/// The longest name the rules allow.
inline constexpr int MaxNameLength = 40;

/// The kind of one correction made to a name.
enum class NameNotice
{
    LeadingHyphen,    ///< the first character is a hyphen; it is removed
    InvalidCharacter, ///< the character at the step's position is not a name symbol; it is removed
    TooLong,          ///< the text is longer than MaxNameLength; it is cut to that length
};

/// One correction: its notice and, for InvalidCharacter, the 1-based position (in code points) of the
/// character removed, counted in the text as it stood just before this step. Position is 1 for
/// LeadingHyphen and 0 for TooLong.
struct NameStep
{
    NameNotice notice = NameNotice::InvalidCharacter;
    int position = 0;

    friend bool operator==(const NameStep&, const NameStep&) = default;
};

/// True for the 37 symbols a-z, 0-9 and '-', and for the ASCII capitals A-Z; false for every other code point.
bool isNameSymbol(char32_t c);

/// The ordered corrections that make text a valid name. Runs in time linear in the text's length and
/// keeps no copies of it: apply the steps one by one with applyNameStep to get the text after each.
std::vector<NameStep> validateName(std::u32string_view text);

/// The same, into steps (replacing its contents), so that a caller checking many texts reuses one buffer.
void validateName(std::u32string_view text, std::vector<NameStep>& steps);

/// Applies one step to the text it was computed for, in place.
void applyNameStep(std::u32string& text, const NameStep& step);

/// The text left when every step has been applied (the input itself when it is valid).
std::u32string correctedName(std::u32string_view text);

/// The notice text a window shows for a step, in the given edition (UTF-8).
std::string noticeText(const NameStep& step, UiLanguage language);

/// The notice text of the reduced window, whose English edition ends TooLong with one further blank.
std::string reducedWindowNoticeText(const NameStep& step, UiLanguage language);

/// The notice's name as a word, for machine-readable output ("LeadingHyphen", ...).
std::string_view noticeName(NameNotice notice);

} // namespace quorvel
