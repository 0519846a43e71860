// quorvel-shots: reaches every window of both editions the way a user does (typing into the name box,
// pressing commands, choosing menu items) and saves a picture of each real X11 window with its frame, taken
// with ImageMagick's `import -frame`. Run it under an X server with a window manager; scripts/screenshots.sh
// starts Xvfb and openbox and runs it:
//   quorvel-shots <output folder>
// The favourites file goes to a temporary folder (QUORVEL_DATA_DIR), so nothing of the user's is touched.
#include "core/Language.h"
#include "ui/common/Features.h"
#include "ui/common/Help.h"
#include "ui/common/Windows.h"
#include "ui/companions/CompanionRegistration.h"
#include "ui/features/FeatureSet.h"
#include "ui/main/MainRegistration.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

using quorvel::UiLanguage;
using quorvel::ui::Help;
using quorvel::ui::WindowRole;
using quorvel::ui::Windows;

// Lets the program and the window manager handle events for a while (mapping, frames, first paint).
void settle(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

template <typename T>
T* child(QWidget* window, const QString& name)
{
    T* found = window->findChild<T*>(name);
    if (found == nullptr) {
        throw std::runtime_error("no control " + name.toStdString() + " in " + window->objectName().toStdString());
    }
    return found;
}

QString of(UiLanguage language, const char* spanish, const char* english)
{
    return QString::fromLatin1(language == UiLanguage::Spanish ? spanish : english);
}

QString suffix(UiLanguage language)
{
    return language == UiLanguage::Spanish ? QStringLiteral("es") : QStringLiteral("en");
}

class Shooter
{
public:
    explicit Shooter(const QString& folder) : m_folder(folder) {}

    int failures() const { return m_failures; }

    // Saves the top-level window as <name>-<es|en>.png, frame included.
    void shoot(QWidget* window, const QString& name, UiLanguage language)
    {
        const QString file = m_folder.filePath(name + QLatin1Char('-') + suffix(language) + QStringLiteral(".png"));
        if (window == nullptr) {
            std::fprintf(stderr, "quorvel-shots: %s: the window did not open\n", qPrintable(file));
            ++m_failures;
            return;
        }
        window->raise();
        window->activateWindow();
        settle(800);
        const QString id = QStringLiteral("0x%1").arg(window->winId(), 0, 16);
        const int status = QProcess::execute(QStringLiteral("import"),
                                             {QStringLiteral("-frame"), QStringLiteral("-window"), id, file});
        if (status != 0) {
            std::fprintf(stderr, "quorvel-shots: import could not take %s\n", qPrintable(file));
            ++m_failures;
            return;
        }
        std::printf("%s\n", qPrintable(file));
    }

private:
    QDir m_folder;
    int m_failures = 0;
};

// Closes everything the previous step left open.
void closeAll()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName().startsWith(QStringLiteral("helpWindow"))) {
            widget->close();
        }
    }
    Windows::instance().reset();
    settle(300);
}

QWidget* mainWindow(UiLanguage language, const QString& name)
{
    QWidget* main = Windows::instance().show(WindowRole::Main, language);
    if (main == nullptr) {
        throw std::runtime_error("the main window did not open");
    }
    settle(300);
    child<QLineEdit>(main, of(language, "txtAdreca", "txtaAdreca"))->setText(name);
    return main;
}

void trigger(QWidget* window, const QString& action)
{
    child<QAction>(window, action)->trigger();
    settle(300);
}

// Names kept in the favourites for the pictures, with the save command of their class (Command4 to Command7).
struct Kept
{
    const char* name;
    int command;
};
constexpr Kept KeptNames[] = {
    {"quorvel", 4},   {"mi-empresa", 4}, {"geometria", 5}, {"quorvel", 5},
    {"triangulo", 6}, {"quorvel", 7},    {"octogono", 7},  {"figuras-2024", 7},
};

void shootEdition(Shooter& shooter, UiLanguage language, const QString& emptyFolder, const QString& keptFolder,
                  bool saveNames)
{
    const QString name = QStringLiteral("quorvel");

    // The About window, as at start.
    shooter.shoot(Windows::instance().show(WindowRole::About, language), QStringLiteral("about"), language);
    settle(1200);
    closeAll();

    QWidget* main = mainWindow(language, name);
    shooter.shoot(main, QStringLiteral("main"), language);

    // Favourites with nothing kept yet.
    qputenv("QUORVEL_DATA_DIR", QFile::encodeName(emptyFolder));
    trigger(main, of(language, "mnufavoritos", "mnufavorite"));
    shooter.shoot(Windows::instance().find(WindowRole::Favourites, language), QStringLiteral("favourites-empty"),
                  language);
    closeAll();

    // A few names kept through the main window's save commands, then both ways of searching them.
    qputenv("QUORVEL_DATA_DIR", QFile::encodeName(keptFolder));
    main = mainWindow(language, name);
    if (saveNames) {
        auto* box = child<QLineEdit>(main, of(language, "txtAdreca", "txtaAdreca"));
        for (const Kept& kept : KeptNames) {
            box->setText(QString::fromLatin1(kept.name));
            child<QPushButton>(main, QStringLiteral("Command%1").arg(kept.command))->click();
        }
        box->setText(name);
    }
    trigger(main, of(language, "mnufavoritos", "mnufavorite"));
    QWidget* favourites = Windows::instance().find(WindowRole::Favourites, language);
    if (favourites != nullptr) {
        trigger(favourites, QStringLiteral("mnufig"));
        // A name chosen in two of the lists, as a user picks one before opening it.
        child<QComboBox>(favourites, QStringLiteral("Combo1"))->setCurrentIndex(0);
        child<QComboBox>(favourites, QStringLiteral("Combo4"))->setCurrentIndex(1);
        shooter.shoot(favourites, QStringLiteral("favourites-figure"), language);
        trigger(favourites, QStringLiteral("mnunom"));
        child<QLineEdit>(favourites, QStringLiteral("txtNOM"))->setText(name);
        child<QPushButton>(favourites, QStringLiteral("cmdbuscar"))->click();
        settle(300);
        shooter.shoot(favourites, QStringLiteral("favourites-name"), language);
    } else {
        shooter.shoot(nullptr, QStringLiteral("favourites-figure"), language);
    }
    closeAll();

    // The domain register, from the main window's register command.
    main = mainWindow(language, name);
    child<QPushButton>(main, QStringLiteral("Command2"))->click();
    settle(300);
    shooter.shoot(Windows::instance().find(WindowRole::Register, language), QStringLiteral("register"), language);
    closeAll();

    // The symbology legend, from the picture button.
    main = mainWindow(language, name);
    child<QPushButton>(main, QStringLiteral("Command1"))->click();
    settle(300);
    shooter.shoot(Windows::instance().find(WindowRole::Symbology, language), QStringLiteral("symbology"), language);
    closeAll();

    // The reduced window, from its menu item.
    main = mainWindow(language, name);
    trigger(main, of(language, "mnuformred", "mnureduced"));
    shooter.shoot(Windows::instance().find(WindowRole::Reduced, language), QStringLiteral("reduced"), language);
    closeAll();

    // The help, from the main window's contents item (F1).
    main = mainWindow(language, name);
    trigger(main, of(language, "mnuuayuda", "mnuhelpe"));
    QWidget* help = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QStringLiteral("helpWindow_") + suffix(language) && widget->isVisible()) {
            help = widget;
        }
    }
    shooter.shoot(help, QStringLiteral("help"), language);
    closeAll();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc != 2) {
        std::fputs("usage: quorvel-shots <output folder>\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "quorvel-shots: cannot create %s\n", argv[1]);
        return 1;
    }
    QTemporaryDir empty;
    QTemporaryDir kept;
    if (!empty.isValid() || !kept.isValid()) {
        std::fputs("quorvel-shots: cannot create a temporary folder\n", stderr);
        return 1;
    }

    quorvel::ui::registerMainWindows();
    quorvel::ui::registerAboutWindows();
    quorvel::ui::useFeatures(&quorvel::ui::featureSet());
    quorvel::ui::registerCompanionWindows();
    Shooter shooter(folder);
    try {
        shootEdition(shooter, UiLanguage::Spanish, empty.path() + QStringLiteral("/es"), kept.path(), true);
        shootEdition(shooter, UiLanguage::English, empty.path() + QStringLiteral("/en"), kept.path(), false);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvel-shots: %s\n", e.what());
        return 1;
    }
    return shooter.failures() == 0 ? 0 : 1;
}
