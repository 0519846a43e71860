#include "QuorvelConfig.h"
#include "settings/Settings.h"
#include "ui/common/Features.h"
#include "ui/common/Windows.h"
#include "ui/companions/CompanionRegistration.h"
#include "ui/main/MainRegistration.h"
#include "ui/main/StartUp.h"

#include <QApplication>
#include <QCoreApplication>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// Qt's standard command-line options: the ones that take a value (as the next argument or after '='), and the
// ones that stand alone. Either form, one dash or two, is Qt's.
constexpr std::array<std::string_view, 14> QtOptionsWithValue = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",
    "style",       "stylesheet",         "name",          "title"};
constexpr std::array<std::string_view, 6> QtFlags = {"reverse", "widgetcount", "nograb",
                                                     "dograb",  "sync",        "qmljsdebugger"};

std::string_view withoutDashes(std::string_view arg)
{
    arg.remove_prefix(arg.starts_with("--") ? 2 : 1);
    return arg.substr(0, arg.find('='));
}

template <std::size_t N>
bool among(const std::array<std::string_view, N>& names, std::string_view name)
{
    for (const std::string_view known : names) {
        if (known == name) {
            return true;
        }
    }
    return false;
}

// Checks the arguments of the windowed program: only Qt's own options may be there. Returns the one line that
// says what is wrong, or the empty text.
std::string badArgument(int argc, char** argv, bool& platformGiven)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.size() < 2 || arg[0] != '-') {
            return "quorvel: unexpected argument '" + std::string(arg) + "'; see quorvel --help";
        }
        const std::string_view name = withoutDashes(arg);
        if (among(QtOptionsWithValue, name)) {
            platformGiven = platformGiven || name == "platform";
            if (arg.find('=') == std::string_view::npos) {
                if (i + 1 >= argc) {
                    return "quorvel: option '" + std::string(arg) + "' needs a value; see quorvel --help";
                }
                ++i;
            }
        } else if (!among(QtFlags, name)) {
            return "quorvel: unknown option '" + std::string(arg) + "'; see quorvel --help";
        }
    }
    return {};
}

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
int setLanguage(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("quorvel: use --set-language es or --set-language en\n", stderr);
        return 2;
    }
    const quorvel::SetLanguageOutcome outcome = quorvel::setStartLanguage(argv[2], quorvel::defaultSettingsPath());
    std::fprintf(outcome.exitStatus == 0 ? stdout : stderr, "%s\n", outcome.message.c_str());
    return outcome.exitStatus;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--set-language") == 0) {
        return setLanguage(argc, argv);
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fwrite(Usage.data(), 1, Usage.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("quorvel %.*s\n", static_cast<int>(quorvel::ProgramVersion.size()), quorvel::ProgramVersion.data());
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    bool platformGiven = false;
    if (const std::string bad = badArgument(argc, argv, platformGiven); !bad.empty()) {
        std::fprintf(stderr, "%s\n", bad.c_str());
        return 2;
    }
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
