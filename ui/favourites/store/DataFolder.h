#pragma once

#include <QString>

namespace quorvel::ui {

/// The file name of the favourites database.
inline constexpr char FavouritesFileName[] = "QUORVEL.MDB";

/// The program's folder, where the favourites database lives: QUORVEL_DATA_DIR when it is set; else the
/// folder of the executable when it is writable (a build tree, a portable copy); else the per-user data
/// folder, created when missing. Needs a QCoreApplication unless QUORVEL_DATA_DIR is set.
QString programFolder();

/// The full path of the favourites database in the program's folder.
QString favouritesFilePath();

} // namespace quorvel::ui
