#include "store/SpecialFiles.h"

#include <QByteArray>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::store {

bool isOrdinaryOrMissing(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info
    {
    };
    if (::stat(native.constData(), &info) != 0) {
        return true; // nothing there (or nothing reachable): opening says what it is
    }
    if (!S_ISREG(info.st_mode)) {
        return false;
    }
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return true; // unreadable: the engine's open fails and says so
    }
    const bool ordinary = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return ordinary;
}

} // namespace quorvel::store
