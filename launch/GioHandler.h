#pragma once

#include <string>

namespace quorvel::launch {

/// Asks GIO for the default program of a local file and returns its full path, but only when that
/// program declares text/html; GIO otherwise falls back to a plain-text editor, which is no browser.
std::string gioHtmlHandler(const std::string& file);

} // namespace quorvel::launch
