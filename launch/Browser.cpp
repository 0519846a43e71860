#include "launch/Browser.h"

#include "core/AsciiText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

namespace quorvel {

std::string BrowserPath;
const std::string BrowserDirectory;
int DiscoveryResult = 0;

namespace launch {

namespace {

Platform* g_replacement = nullptr;

// The desktop entry the last discovery found the program through, and the program it found then. Form A uses
// the entry only while BrowserPath still holds that program.
std::optional<DesktopEntry> g_browserEntry;
std::string g_entryProgram;

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
    launch::Platform::HtmlHandler found;
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
                found =
                    launch::platform().findHtmlHandlerEntry(QDir::toNativeSeparators(file.fileName()).toStdString());
            }
            // Gone before the result is kept; the destructor would also remove it should the look-up throw.
            file.remove();
        }
    }
    BrowserPath = trimBlanks(found.program, " ");
    DiscoveryResult = BrowserPath.empty() ? 0 : 1;
    launch::g_browserEntry = BrowserPath.empty() ? std::nullopt : std::move(found.entry);
    launch::g_entryProgram = BrowserPath;
}

void openInBrowser(std::string_view address)
{
    if (BrowserPath.empty()) {
        // A browser installed since the last discovery is found now, without restarting the program.
        runBrowserDiscovery();
        if (BrowserPath.empty()) {
            std::fputs("quorvel: no program for web pages was found; the address was not opened\n", stderr);
            return;
        }
    }
    if (launch::g_browserEntry && launch::g_entryProgram == BrowserPath) {
        if (std::optional<std::vector<std::string>> command =
                launch::commandForAddress(*launch::g_browserEntry, address)) {
            // The program as found (a full path), then the entry's arguments: env settings, a wrapper's options.
            command->front() = BrowserPath;
            launch::platform().startCommand(*command, BrowserDirectory);
            return;
        }
    }
    launch::platform().startProgram(BrowserPath, std::string(address), BrowserDirectory);
}

void openWithShell(std::string_view address)
{
    launch::platform().openAddress(std::string(address));
}

} // namespace quorvel
