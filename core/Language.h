#pragma once

namespace quorvel {

/// The two editions of the user interface. Spanish is the default edition.
enum class UiLanguage
{
    Spanish,
    English,
};

} // namespace quorvel
