#pragma once

#include "core/Language.h"

namespace quorvel::ui {

/// Both editions of a window role in one table: what the Spanish and the English window have of their own
/// (object names, text keys, places, focus order, help topics, launch forms), one entry per edition, written
/// with designated initialisers. A window reads its edition once, through edition(language).
template <typename Edition>
struct EditionTable
{
    Edition spanish;
    Edition english;

    constexpr const Edition& edition(UiLanguage language) const
    {
        return language == UiLanguage::Spanish ? spanish : english;
    }
};

} // namespace quorvel::ui
