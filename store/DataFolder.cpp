#include "store/DataFolder.h"

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

QString programFolder()
{
    const QString overridden = qEnvironmentVariable("QUORVEL_DATA_DIR");
    if (!overridden.isEmpty()) {
        return QDir::cleanPath(overridden);
    }
    const QString executableFolder = QCoreApplication::applicationDirPath();
    if (!executableFolder.isEmpty() && QFileInfo(executableFolder).isWritable() &&
        !isSharedProgramFolder(executableFolder)) {
        return executableFolder;
    }
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(perUser);
    return perUser;
}

QString favouritesFilePath()
{
    return QDir(programFolder()).filePath(QString::fromLatin1(FavouritesFileName));
}

} // namespace quorvel::store
