#include "store/DataFolder.h"

#include "store/AccessSignature.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace quorvel::store {

bool isSharedProgramFolder(const QString& folder)
{
    const QString canonical = QDir(folder).canonicalPath();
    const QString installed = QDir(QStringLiteral(QUORVEL_INSTALL_BINDIR)).canonicalPath();
    return (!installed.isEmpty() && canonical == installed) || canonical.startsWith(QStringLiteral("/usr/")) ||
           canonical == QStringLiteral("/bin") || canonical == QStringLiteral("/sbin");
}

bool isWritableFolder(const QString& folder)
{
    const QFileInfo info(folder);
    // A folder that nobody may write is read only for us too, even when we run with the rights to write it.
    constexpr QFile::Permissions AnyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return info.isDir() && (info.permissions() & AnyWrite) != 0 && info.isWritable();
}

bool keepsFavouritesBesideExecutable(const QString& executableFolder)
{
    if (executableFolder.isEmpty() || isSharedProgramFolder(executableFolder)) {
        return false;
    }
    // A file kept there already is the user's: a new empty file elsewhere would hide it without a word.
    const QString besideExecutable = QDir(executableFolder).filePath(QString::fromLatin1(FavouritesFileName));
    if (QFileInfo::exists(besideExecutable)) {
        // An Access file in a folder that cannot be written is converted into the per-user data folder, and
        // the converted favourites are used from then on; the Access file stays where it was.
        return !(isAccessFile(besideExecutable) && !isWritableFolder(executableFolder) &&
                 QFileInfo::exists(QDir(perUserDataFolder()).filePath(QString::fromLatin1(FavouritesFileName))));
    }
    return isWritableFolder(executableFolder);
}

QString perUserDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString programFolder()
{
    const QString overridden = qEnvironmentVariable("QUORVEL_DATA_DIR");
    if (!overridden.isEmpty()) {
        return QDir::cleanPath(overridden);
    }
    const QString executableFolder = QCoreApplication::applicationDirPath();
    if (keepsFavouritesBesideExecutable(executableFolder)) {
        return executableFolder;
    }
    const QString perUser = perUserDataFolder();
    QDir().mkpath(perUser);
    return perUser;
}

QString favouritesFilePath()
{
    return QDir(programFolder()).filePath(QString::fromLatin1(FavouritesFileName));
}

} // namespace quorvel::store
