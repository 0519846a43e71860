#include "settings/Settings.h"
#include "ui/availability/AvailabilityRegistration.h"
#include "ui/common/Windows.h"
#include "ui/companions/CompanionRegistration.h"
#include "ui/favourites/FavouritesRegistration.h"
#include "ui/main/MainRegistration.h"
#include "ui/main/StartUp.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace {

// Each feature tells the window registry how to make its windows, once, at start.
void registerAllWindows()
{
    quorvel::ui::registerMainWindows();
    quorvel::ui::registerAboutWindows();
    quorvel::ui::registerFavourites();
    quorvel::ui::registerCompanionWindows();
    quorvel::ui::registerAvailabilityWindows();
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

    QApplication app(argc, argv);
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
