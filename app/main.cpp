#include "core/CommandLine.h"
#include "settings/Settings.h"
#include "ui/common/Features.h"
#include "ui/common/Windows.h"
#include "ui/companions/CompanionRegistration.h"
#include "ui/main/MainRegistration.h"
#include "ui/main/StartUp.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view Usage =
    "Usage: quorvel [--set-language es|en | --help | --version]\n"
    "\n"
    "Without an option, starts the windowed program: a name typed in its main window is corrected to the\n"
    "rules for a domain name and shown under its five addresses.\n"
    "\n"
    "  --set-language es|en  store the start language (Spanish or English) in the settings file and exit\n"
    "  --help                show this text and exit\n"
    "  --version             show the program's version and exit\n"
    "\n"
    "Qt's own options (-platform, -display, -style and the like) are passed on to Qt.\n";

// The program's own options, and Qt's standard ones (-platform, -display, -style and the like), which are passed on
// to Qt: the ones that take a value (as the next argument or after '='), and the ones that stand alone.
constexpr quorvel::commandline::OptionSpec Options[] = {quorvel::commandline::Help,
                                                        quorvel::commandline::Version,
                                                        {"set-language", true},
                                                        {"platform", true},
                                                        {"platformpluginpath", true},
                                                        {"platformtheme", true},
                                                        {"plugin", true},
                                                        {"qwindowgeometry", true},
                                                        {"qwindowicon", true},
                                                        {"qwindowtitle", true},
                                                        {"session", true},
                                                        {"display", true},
                                                        {"geometry", true},
                                                        {"style", true},
                                                        {"stylesheet", true},
                                                        {"name", true},
                                                        {"title", true},
                                                        {"reverse"},
                                                        {"widgetcount"},
                                                        {"nograb"},
                                                        {"dograb"},
                                                        {"sync"},
                                                        {"qmljsdebugger"}};

// The platform Qt would pick needs a display server, and the environment names none.
bool noDisplayAtAll(bool platformGiven)
{
    if (platformGiven) {
        return false;
    }
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const std::string_view chosen = platform != nullptr ? platform : "";
    const bool needsServer = chosen.empty() || chosen.starts_with("xcb") || chosen.starts_with("wayland");
    auto unset = [](const char* name) {
        const char* value = std::getenv(name);
        return value == nullptr || *value == '\0';
    };
    return needsServer && unset("DISPLAY") && unset("WAYLAND_DISPLAY");
}

constexpr const char* NoDisplayLine =
    "quorvel: no display to open a window on (neither DISPLAY nor WAYLAND_DISPLAY is set); start it in a "
    "graphical session\n";

// While Qt connects to the display its messages are held back: when the connection fails Qt ends the program
// with a fatal message after a few warnings, and the user is better served by one line that says what happened.
struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QByteArray file;
    int line;
    QByteArray function;
    QString text;
};
std::vector<HeldMessage> g_held;
QtMessageHandler g_previousHandler = nullptr;

void holdMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        const char* display = std::getenv("DISPLAY");
        if (display != nullptr && *display != '\0') {
            std::fprintf(stderr, "quorvel: cannot open a window: the display \"%s\" could not be reached\n", display);
        } else {
            std::fputs(NoDisplayLine, stderr);
        }
        std::_Exit(1);
    }
    g_held.push_back({type, context.category, context.file, context.line, context.function, text});
}

void releaseMessages()
{
    qInstallMessageHandler(g_previousHandler);
    for (const HeldMessage& held : g_held) {
        const QMessageLogContext context(held.file.isEmpty() ? nullptr : held.file.constData(), held.line,
                                         held.function.isEmpty() ? nullptr : held.function.constData(),
                                         held.category.isEmpty() ? nullptr : held.category.constData());
        qt_message_output(held.type, context, held.text);
    }
    g_held.clear();
}

// The windows of the program itself are registered at start; the feature plugin, whose place is fixed relative
// to the program's folder (in the build folder as when installed), is loaded when it is first needed.
void registerAllWindows()
{
    quorvel::ui::registerMainWindows();
    quorvel::ui::registerAboutWindows();
    quorvel::ui::registerCompanionWindows();
    quorvel::ui::setFeaturePluginPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                                      QStringLiteral(QUORVEL_FEATURE_PLUGIN));
}

// "quorvel --set-language es|en": the installation step that stores the start language. It needs no display.
int setLanguage(int argc, char** argv, const std::string& language)
{
    QCoreApplication app(argc, argv);
    const quorvel::SetLanguageOutcome outcome = quorvel::setStartLanguage(language, quorvel::defaultSettingsPath());
    std::fprintf(outcome.exitStatus == 0 ? stdout : stderr, "%s\n", outcome.message.c_str());
    return outcome.exitStatus;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace quorvel::commandline;
    const Parsed line = parse(argc, argv, Options);
    std::string error = line.error;
    if (error.empty() && !line.operands.empty()) {
        error = "unexpected argument '" + line.operands.front() + "'";
    }
    if (!error.empty()) {
        std::fputs(errorLine("quorvel", error).c_str(), stderr);
        return 2;
    }
    if (const std::optional<std::string> language = line.value("set-language")) {
        return setLanguage(argc, argv, *language);
    }
    if (line.has(Help.name)) {
        std::fwrite(Usage.data(), 1, Usage.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (line.has(Version.name)) {
        std::fputs(versionLine("quorvel").c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    const bool platformGiven = line.has("platform");
    if (noDisplayAtAll(platformGiven)) {
        std::fputs(NoDisplayLine, stderr);
        return 1;
    }

    g_previousHandler = qInstallMessageHandler(holdMessage);
    QApplication app(argc, argv);
    releaseMessages();
    // The favourites of an installed copy live in ~/.local/share/quorvel; the desktop matches the
    // windows to the menu entry and its icon by the desktop file's name.
    QCoreApplication::setApplicationName(QStringLiteral("quorvel"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quorvel.Quorvel"));
    // The program ends when the registry says no window is left, or at once from the exit item.
    QApplication::setQuitOnLastWindowClosed(false);

    registerAllWindows();
    auto& windows = quorvel::ui::Windows::instance();
    QObject::connect(&windows, &quorvel::ui::Windows::allWindowsClosed, &app, [] { QCoreApplication::exit(0); });
    // exit(), not quit(): quitting would first offer every window its close, and the exit item runs none.
    QObject::connect(&windows, &quorvel::ui::Windows::endRequested, &app, [] { QCoreApplication::exit(0); });

    quorvel::ui::startUp();
    return QApplication::exec();
}
