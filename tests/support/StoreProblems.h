#pragma once

// The problem a call of the favourites store fails with, for the store tests.

#include "store/FavouritesStore.h"

#include <optional>

namespace quorvel::test {

/// The problem action fails with (a StoreFailure), or nothing when it succeeds.
template <typename Action>
std::optional<store::StoreProblem> problemOf(Action&& action)
{
    try {
        action();
    } catch (const store::StoreFailure& failure) {
        return failure.problem();
    }
    return std::nullopt;
}

} // namespace quorvel::test
