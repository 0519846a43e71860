#include "store/AccessSignature.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::store {

namespace {

constexpr std::size_t SignatureBytes = 20;

} // namespace

bool hasAccessSignature(std::string_view firstBytes)
{
    if (firstBytes.size() < SignatureBytes) {
        return false;
    }
    // The first page of every Jet or ACE database: a page type and version word, then the engine's name.
    const std::string_view start("\x00\x01\x00\x00", 4);
    const std::string_view engine = firstBytes.substr(4, 16);
    return firstBytes.substr(0, 4) == start &&
           (engine == std::string_view("Standard Jet DB\0", 16) || engine == std::string_view("Standard ACE DB\0", 16));
}

bool isAccessFile(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    struct stat info
    {
    };
    char head[SignatureBytes];
    ssize_t got = -1;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        got = ::pread(fd, head, sizeof head, 0);
    }
    ::close(fd);
    return got == static_cast<ssize_t>(sizeof head) && hasAccessSignature(std::string_view(head, sizeof head));
}

} // namespace quorvel::store
