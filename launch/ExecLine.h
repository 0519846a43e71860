#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::launch {

/// What a desktop entry says about starting its program, as read from the entry (string escapes undone).
struct DesktopEntry
{
    std::string commandLine; ///< the Exec key
    std::string icon;        ///< the Icon key, empty when there is none
    std::string name;        ///< the Name key in the user's language
    std::string location;    ///< the entry's file, empty when unknown
};

/// The words of an Exec command line with their quoting undone, field codes still in them; nullopt when the
/// line is malformed (an unterminated quote, a trailing backslash) or empty. Words are separated by blanks
/// outside quotes. Inside double quotes a backslash escapes '"', '`', '$' and '\' and is kept before any other
/// character; single quotes keep everything up to the next one, and outside quotes a backslash escapes the
/// next character, as GLib reads the entries it launches itself.
std::optional<std::vector<std::string>> splitCommandLine(std::string_view commandLine);

/// The argument vector that opens address with the entry's program: the command line's words with the field
/// codes expanded. %f %F %u %U become the address, %i becomes "--icon" and the icon (nothing without an icon),
/// %c the name, %k the location, %% a percent sign; the deprecated %d %D %n %N %v %m are dropped. Without any
/// file or URL code the address is added at the end, so the address always reaches the program. nullopt when
/// the line is malformed, names no program, or holds a field code that desktop entries do not define.
std::optional<std::vector<std::string>> commandForAddress(const DesktopEntry& entry, std::string_view address);

} // namespace quorvel::launch
