#pragma once

#include <QString>

namespace quorvel::store {

/// The file name of the favourites database.
inline constexpr char FavouritesFileName[] = "QUORVEL.MDB";

/// The program's folder, where the favourites database lives: QUORVEL_DATA_DIR when it is set; else the
/// folder of the executable as chooseDataFolder says; else the per-user data folder, created when missing.
/// Needs a QCoreApplication unless QUORVEL_DATA_DIR is set.
QString programFolder();

/// Whether the executable's folder keeps the favourites: not a shared program folder, and either a favourites
/// file is there already (used even when the folder cannot be written: saves then say the file cannot be
/// written; an Access file there whose favourites were converted into the per-user data folder is not) or the
/// folder can be written (a build tree, a portable copy).
bool keepsFavouritesBesideExecutable(const QString& executableFolder);

/// The per-user data folder ($XDG_DATA_HOME/quorvel), not created. Needs a QCoreApplication.
QString perUserDataFolder();

/// Whether a folder may be written: it has a write permission bit and the system allows writing into it.
bool isWritableFolder(const QString& folder);

/// Whether a folder is one that installed programs share (the install folder of programs, anything under
/// /usr): even where it can be written (root can write anywhere), data kept there would belong to no one.
bool isSharedProgramFolder(const QString& folder);

/// The full path of the favourites database in the program's folder.
QString favouritesFilePath();

} // namespace quorvel::store
