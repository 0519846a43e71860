#include "core/launch/Browser.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryFile>

namespace quorvel {

std::string BrowserPath;
const std::string BrowserDirectory;
int DiscoveryResult = 0;

namespace launch {

namespace {

Platform* g_replacement = nullptr;

std::string trimBlanks(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string programFolder()
{
    if (QCoreApplication::instance() == nullptr) {
        return {};
    }
    return QCoreApplication::applicationDirPath().toStdString();
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
    // A uniquely named file in the temporary folder, not a fixed path another user could plant a link at.
    QTemporaryFile file(QDir::temp().filePath(QStringLiteral("quorvel-XXXXXX.htm")));
    std::string found;
    if (file.open()) {
        const auto content = launch::DiscoveryFileContent;
        const bool written =
            file.write(content.data(), static_cast<qint64>(content.size())) == static_cast<qint64>(content.size());
        file.close();
        if (written) {
            found = launch::platform().findHtmlHandler(QDir::toNativeSeparators(file.fileName()).toStdString());
        }
    }
    DiscoveryResult = found.empty() ? 0 : 1;
    BrowserPath = launch::trimBlanks(found);
    // The temporary file is removed when `file` goes out of scope.
}

void openInBrowser(QObject* /*owner*/, std::string_view address)
{
    if (BrowserPath.empty()) {
        return; // nothing was found to open .htm files: the launch starts nothing, silently
    }
    launch::platform().startProgram(BrowserPath, std::string(address), BrowserDirectory);
}

void openWithShell(QObject* /*owner*/, std::string_view address)
{
    launch::platform().openAddress(std::string(address), launch::programFolder());
}

} // namespace quorvel
