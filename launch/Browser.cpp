#include "launch/Browser.h"

#include "core/AsciiText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace quorvel {

std::string BrowserPath;
const std::string BrowserDirectory;
int DiscoveryResult = 0;

namespace launch {

namespace {

Platform* g_replacement = nullptr;

// The folder that receives the discovery file, or the empty text when there is none. Qt reports an empty
// temporary path when TMPDIR names a missing folder; a template without a folder would then put the file in the
// current directory (the program's folder), so discovery must give up instead.
QString discoveryFolder()
{
    const QString folder = QDir::tempPath();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        return {};
    }
    return folder;
}

} // namespace

Platform& platform()
{
    if (g_replacement != nullptr) {
        return *g_replacement;
    }
    static const std::unique_ptr<Platform> system = makeSystemPlatform();
    return *system;
}

void setPlatform(Platform* replacement)
{
    g_replacement = replacement;
}

} // namespace launch

void runBrowserDiscovery()
{
    std::string found;
    const QString folder = launch::discoveryFolder();
    if (!folder.isEmpty()) {
        // A uniquely named file, created exclusively, not a fixed path another user could plant a link at.
        QTemporaryFile file(QDir(folder).filePath(QStringLiteral("quorvel-XXXXXX.htm")));
        if (file.open()) {
            const auto content = launch::DiscoveryFileContent;
            const bool written =
                file.write(content.data(), static_cast<qint64>(content.size())) == static_cast<qint64>(content.size());
            const bool flushed = file.flush();
            file.close();
            if (written && flushed) {
                found = launch::platform().findHtmlHandler(QDir::toNativeSeparators(file.fileName()).toStdString());
            }
            // Gone before the result is kept; the destructor would also remove it should the look-up throw.
            file.remove();
        }
    }
    BrowserPath = trimBlanks(found, " ");
    DiscoveryResult = BrowserPath.empty() ? 0 : 1;
}

void openInBrowser(std::string_view address)
{
    if (BrowserPath.empty()) {
        return; // nothing was found to open .htm files: the launch starts nothing, silently
    }
    launch::platform().startProgram(BrowserPath, std::string(address), BrowserDirectory);
}

void openWithShell(std::string_view address)
{
    launch::platform().openAddress(std::string(address));
}

} // namespace quorvel
