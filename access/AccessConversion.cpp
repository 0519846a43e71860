#include "access/AccessConversion.h"

#include "store/DataFolder.h"
#include "store/FavouritesStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace quorvel::access {

namespace {

/// Crash tests set QUORVEL_CONVERSION_KILL_AT=N to have the conversion killed outright at its step N, so that
/// every moment between two steps on disc is tried.
void killPoint(int step)
{
    static const int at = [] {
        const char* value = std::getenv("QUORVEL_CONVERSION_KILL_AT");
        return value != nullptr ? std::atoi(value) : 0;
    }();
    if (at == step) {
        std::raise(SIGKILL);
    }
}

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

bool syncPath(const QString& path, bool folder)
{
    const int fd = ::open(native(path).constData(), (folder ? O_RDONLY | O_DIRECTORY : O_RDWR) | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

bool sameFile(const QString& a, const QString& b)
{
    struct stat first
    {
    };
    struct stat second
    {
    };
    return ::stat(native(a).constData(), &first) == 0 && ::stat(native(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

/// A copy that never overwrites: for file systems without hard links.
bool copyExclusive(const QString& from, const QString& to, int& error)
{
    const int in = ::open(native(from).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        error = errno;
        return false;
    }
    const int out = ::open(native(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) {
        error = errno;
        ::close(in);
        return false;
    }
    char buffer[64 * 1024];
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        for (ssize_t done = 0; done < got && ok;) {
            const ssize_t put = ::write(out, buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR) {
                continue;
            }
            ok = put > 0;
            done += put > 0 ? put : 0;
        }
        if (!ok) {
            break;
        }
    }
    ok = ok && ::fsync(out) == 0;
    error = ok ? 0 : errno;
    ::close(out);
    ::close(in);
    if (!ok) {
        ::unlink(native(to).constData());
    }
    return ok;
}

/// Gives the Access file a second name that says what it is, never taking a name in use. A name left by an
/// earlier conversion killed half-way that already is this very file is taken again.
QString keepAccessFile(const QString& accessPath, int& error)
{
    const QString base = accessPath + QStringLiteral(".access");
    for (int n = 0; n < 1000; ++n) {
        const QString candidate = n == 0 ? base : base + QLatin1Char('.') + QString::number(n);
        if (sameFile(accessPath, candidate)) {
            return candidate;
        }
        if (::link(native(accessPath).constData(), native(candidate).constData()) == 0) {
            return candidate;
        }
        if (errno == EEXIST) {
            continue;
        }
        if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != EMLINK) {
            error = errno;
            return {};
        }
        if (copyExclusive(accessPath, candidate, error)) {
            return candidate;
        }
        if (error != EEXIST) {
            return {};
        }
    }
    error = EEXIST;
    return {};
}

std::string failureWords(const QString& path, int error, UiLanguage language)
{
    return accessText("cannotWrite", language,
                      {QDir::toNativeSeparators(path).toStdString(), std::string(std::strerror(error))});
}

} // namespace

ConversionResult convertAccessFavourites(const QString& accessPath, const QString& fallbackFolder,
                                         const std::function<void(const store::ImportNote&)>& note,
                                         const ReaderSettings& reader, UiLanguage language)
{
    ConversionResult result;
    const QFileInfo access(accessPath);
    result.accessPath = access.absoluteFilePath();
    const QString folder = access.absolutePath();
    const bool inPlace = store::isWritableFolder(folder);
    const QString targetFolder = inPlace ? folder : fallbackFolder;
    const QString fileName = access.fileName();
    if (targetFolder.isEmpty()) {
        result.failure = failureWords(folder, EACCES, language);
        return result;
    }
    QDir().mkpath(targetFolder);
    const QString target = QDir(targetFolder).filePath(fileName);
    result.favouritesPath = inPlace ? result.accessPath : target;

    // Where the favourites go to a folder that holds a favourites file already, the records are added to it
    // in one transaction, as an import would: nothing there is replaced.
    if (!inPlace && QFileInfo::exists(target)) {
        store::FavouritesStore existing(target);
        result.import = importAccessFile(existing, accessPath, false, note, reader);
        if (result.import.readFailure) {
            result.failure = describeReadFailure(*result.import.readFailure,
                                                 QDir::toNativeSeparators(accessPath).toStdString(), language);
        } else if (result.import.summary.storeProblem) {
            result.failure = store::describeStoreProblem(*result.import.summary.storeProblem,
                                                         QDir::toNativeSeparators(target).toStdString(), language);
        }
        result.converted = result.failure.empty();
        return result;
    }

    // The new file is written completely under a name of its own beside where it will lie. What an earlier
    // conversion killed half-way left under such a name is never anybody's only copy: it goes.
    const QString temporaryPrefix = fileName + QStringLiteral(".converting-");
    for (const QString& left : QDir(targetFolder).entryList({temporaryPrefix + QLatin1Char('*')}, QDir::Files)) {
        QFile::remove(QDir(targetFolder).filePath(left));
    }
    const QString temporary = QDir(targetFolder).filePath(temporaryPrefix + QString::number(::getpid()));
    struct stat accessAtStart
    {
    };
    if (::stat(native(accessPath).constData(), &accessAtStart) != 0) {
        result.failure = failureWords(accessPath, errno, language);
        return result;
    }
    {
        store::FavouritesStore converted(temporary);
        result.import = importAccessFile(converted, accessPath, false, note, reader);
        if (!result.import.failed() && !QFileInfo::exists(temporary)) {
            // Nothing to keep: an empty favourites file all the same, so that the question does not come back.
            try {
                converted.addFavourites([](std::string&, FigureKind&) { return false; }, [](bool) {});
            } catch (const store::StoreFailure& failure) {
                result.import.summary.storeProblem = failure.problem();
            }
        }
    }
    auto abandon = [&](std::string why) {
        QFile::remove(temporary);
        QFile::remove(temporary + QStringLiteral("-journal"));
        result.failure = std::move(why);
        return result;
    };
    if (result.import.readFailure) {
        return abandon(describeReadFailure(*result.import.readFailure,
                                           QDir::toNativeSeparators(accessPath).toStdString(), language));
    }
    if (result.import.summary.storeProblem) {
        return abandon(store::describeStoreProblem(*result.import.summary.storeProblem,
                                                   QDir::toNativeSeparators(temporary).toStdString(), language));
    }
    killPoint(1);
    if (!syncPath(temporary, false)) {
        return abandon(failureWords(temporary, errno, language));
    }
    killPoint(2);

    if (!inPlace) {
        // link never replaces: a favourites file that appeared meanwhile is kept.
        if (::link(native(temporary).constData(), native(target).constData()) != 0) {
            const int error = errno;
            return abandon(failureWords(target, error, language));
        }
        QFile::remove(temporary);
        syncPath(targetFolder, true);
        result.converted = true;
        return result;
    }

    // Another program may have put something else in place meanwhile: only the file read is given a new name.
    struct stat accessNow
    {
    };
    if (::stat(native(accessPath).constData(), &accessNow) != 0 || accessNow.st_ino != accessAtStart.st_ino ||
        accessNow.st_dev != accessAtStart.st_dev || accessNow.st_mtime != accessAtStart.st_mtime ||
        accessNow.st_size != accessAtStart.st_size) {
        return abandon(failureWords(result.accessPath, EBUSY, language));
    }
    int error = 0;
    const QString kept = keepAccessFile(result.accessPath, error);
    if (kept.isEmpty()) {
        return abandon(failureWords(result.accessPath + QStringLiteral(".access"), error, language));
    }
    syncPath(folder, true);
    killPoint(3);
    if (::rename(native(temporary).constData(), native(result.accessPath).constData()) != 0) {
        error = errno;
        // The Access file is still in place under its old name; its second name goes again.
        ::unlink(native(kept).constData());
        return abandon(failureWords(result.accessPath, error, language));
    }
    killPoint(4);
    syncPath(folder, true);
    result.accessPath = kept;
    result.converted = true;
    return result;
}

std::string describeConversion(const ConversionResult& result, UiLanguage language)
{
    if (!result.converted) {
        return result.failure;
    }
    const store::ImportSummary& counts = result.import.summary;
    const long leftOut = counts.leftOut;
    std::string text = accessText("converted", language,
                                  {std::to_string(counts.written), std::to_string(counts.corrected),
                                   std::to_string(counts.alreadyThere), std::to_string(leftOut)});
    if (leftOut > 0) {
        text += accessText(
            "leftOutWhy", language,
            {std::to_string(result.import.leftOutFigure), std::to_string(leftOut - result.import.leftOutFigure)});
    }
    text += accessText("where", language,
                       {QDir::toNativeSeparators(result.favouritesPath).toStdString(),
                        QDir::toNativeSeparators(result.accessPath).toStdString()});
    return text;
}

} // namespace quorvel::access
