#pragma once

// The framed form in which quorvel-access-reader hands the favourites table of an Access file to its parent.
//
//   magic "QACC1\n"
//   'T' hasFigure(1 byte) tableName          the favourites table was found
//   'R' name figure                          one record, in the order the file delivers them
//   'E' count(4 bytes)                       the end: every record was written
//   'X' failure(1 byte) detail               the file cannot be used (instead of T, R, E)
//
// Texts are a 4-byte little-endian length and that many bytes (UTF-8 as the library gives them). The parent
// trusts nothing of it: a frame cut short, an unknown frame, a count that does not match or a missing end
// makes the whole reading fail.

#include <cstdint>

namespace quorvel::access {

inline constexpr char FrameMagic[] = "QACC1\n";
inline constexpr char FrameTable = 'T';
inline constexpr char FrameRecord = 'R';
inline constexpr char FrameEnd = 'E';
inline constexpr char FrameFailure = 'X';

/// The name of the favourites table, compared without regard to letter case.
inline constexpr char FavouritesTable[] = "adreca i figura";

/// Why the reader could not hand over the table.
enum class ReaderFailure : std::uint8_t
{
    NotAccess = 1,   ///< the library does not open the file as an Access database
    NoCatalog = 2,   ///< the list of tables cannot be read
    NoTable = 3,     ///< no table "adreca i figura"
    NoNameField = 4, ///< the table has no field Nom
};

inline constexpr int ReaderExitFailure = 3; ///< a failure frame was written
inline constexpr int ReaderExitUsage = 4;
inline constexpr int ReaderExitOutput = 5; ///< standard output could not be written

} // namespace quorvel::access
