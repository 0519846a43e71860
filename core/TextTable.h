#pragma once

#include "core/Language.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <optional>
#include <string_view>

namespace quorvel {

/// One text in both editions: the window role it belongs to (the name of its file under resources/texts),
/// its key there, and its Spanish and English forms (UTF-8).
struct TextEntry
{
    std::string_view role;
    std::string_view key;
    std::array<std::string_view, 2> editions;
};

namespace detail {

// Every text of the program, generated from resources/texts/*.tsv when the program is built.
inline constexpr TextEntry TextRows[] = {
#include "TextTable.inc"
};

constexpr bool textBefore(const TextEntry& a, const TextEntry& b)
{
    return a.role != b.role ? a.role < b.role : a.key < b.key;
}

inline constexpr auto SortedTexts = [] {
    std::array<TextEntry, std::size(TextRows)> rows{};
    std::copy(std::begin(TextRows), std::end(TextRows), rows.begin());
    std::sort(rows.begin(), rows.end(), textBefore);
    return rows;
}();

static_assert(std::adjacent_find(SortedTexts.begin(), SortedTexts.end(),
                                 [](const TextEntry& a, const TextEntry& b) {
                                     return a.role == b.role && a.key == b.key;
                                 }) == SortedTexts.end(),
              "a key appears twice in one of resources/texts/*.tsv");

} // namespace detail

/// The place of an edition's form in TextEntry::editions.
constexpr std::size_t editionIndex(UiLanguage language)
{
    return language == UiLanguage::Spanish ? 0 : 1;
}

/// The text of key in the role's file, in the given edition; nothing when there is no such text.
constexpr std::optional<std::string_view> findText(std::string_view role, std::string_view key, UiLanguage language)
{
    const TextEntry wanted{role, key, {}};
    const auto found =
        std::lower_bound(detail::SortedTexts.begin(), detail::SortedTexts.end(), wanted, detail::textBefore);
    if (found == detail::SortedTexts.end() || found->role != role || found->key != key) {
        return std::nullopt;
    }
    return found->editions[editionIndex(language)];
}

/// Both editions of a text whose role and key are written in the code: a misspelt key does not compile.
consteval std::array<std::string_view, 2> textOfBothEditions(std::string_view role, std::string_view key)
{
    for (const TextEntry& entry : detail::SortedTexts) {
        if (entry.role == role && entry.key == key) {
            return entry.editions;
        }
    }
    throw "no such text in resources/texts"; // not a constant expression: the build stops here
}

} // namespace quorvel
