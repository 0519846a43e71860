#pragma once

#include <QString>

namespace quorvel::store {

/// The file name of the favourites database.
inline constexpr char FavouritesFileName[] = "QUORVEL.MDB";

/// The program's folder, where the favourites database lives: QUORVEL_DATA_DIR when it is set; else the
/// folder of the executable when it is writable and not a shared program folder (a build tree, a portable
/// copy); else the per-user data
/// folder, created when missing. Needs a QCoreApplication unless QUORVEL_DATA_DIR is set.
QString programFolder();

/// Whether a folder is one that installed programs share (the install folder of programs, anything under
/// /usr): even where it can be written (root can write anywhere), data kept there would belong to no one.
bool isSharedProgramFolder(const QString& folder);

/// The full path of the favourites database in the program's folder.
QString favouritesFilePath();

} // namespace quorvel::store
