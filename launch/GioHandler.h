#pragma once

#include "launch/ExecLine.h"

#include <optional>
#include <string>

namespace quorvel::launch {

/// A program found for a file: its full path, and the desktop entry it was found through.
struct GioHtmlHandler
{
    std::string program;
    std::optional<DesktopEntry> entry;
};

/// Asks GIO for the default program of a local file and returns its full path and its desktop entry, but only
/// when that program declares text/html; GIO otherwise falls back to a plain-text editor, which is no browser.
/// Nothing (an empty program) when there is none.
GioHtmlHandler gioHtmlHandler(const std::string& file);

} // namespace quorvel::launch
