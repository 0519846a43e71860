#include "launch/Browser.h"
#include "launch/GioHandler.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>
#include <QUrl>

namespace quorvel::launch {

namespace {

class SystemPlatform final : public Platform
{
public:
    std::string findHtmlHandler(const std::string& htmFile) override { return gioHtmlHandler(htmFile).program; }

    HtmlHandler findHtmlHandlerEntry(const std::string& htmFile) override
    {
        GioHtmlHandler found = gioHtmlHandler(htmFile);
        return {std::move(found.program), std::move(found.entry)};
    }

    void startProgram(const std::string& program, const std::string& argument,
                      const std::string& workingDirectory) override
    {
        // An argument vector, never a shell: the address reaches the program as one argument.
        QProcess::startDetached(QString::fromStdString(program), {QString::fromStdString(argument)},
                                QString::fromStdString(workingDirectory));
    }

    void startCommand(const std::vector<std::string>& arguments, const std::string& workingDirectory) override
    {
        if (arguments.empty()) {
            return;
        }
        QStringList rest;
        for (std::size_t i = 1; i < arguments.size(); ++i) {
            rest << QString::fromStdString(arguments[i]);
        }
        QProcess::startDetached(QString::fromStdString(arguments.front()), rest,
                                QString::fromStdString(workingDirectory));
    }

    void openAddress(const std::string& address) override
    {
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
            return; // the desktop's services need a graphical application
        }
        const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
        if (!url.isValid() || url.isRelative()) {
            // Without a scheme the desktop's handler takes the text for a file name in the current folder.
            return;
        }
        QDesktopServices::openUrl(url);
    }
};

} // namespace

std::unique_ptr<Platform> makeSystemPlatform()
{
    return std::make_unique<SystemPlatform>();
}

} // namespace quorvel::launch
