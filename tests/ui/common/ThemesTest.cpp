// The windows under the desktop's theme: light, dark and high-contrast palettes of the Fusion style. The windows
// whose look is fixed look alike under every one of them, their texts and outlines measured readable on the
// rendered pixels; the availability window follows the theme and stays readable in it; printed pages never
// take colours from the screen.
#include "core/SharedState.h"
#include "tests/support/FavouritesFixtures.h"
#include "tests/support/TestSupport.h"
#include "ui/common/Features.h"
#include "ui/common/PagePrinting.h"
#include "ui/common/Palettes.h"
#include "ui/common/Windows.h"
#include "ui/companions/CompanionRegistration.h"
#include "ui/companions/KeepInFront.h"
#include "ui/features/FeatureSet.h"
#include "ui/main/MainRegistration.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using namespace quorvel;
using namespace quorvel::ui;

namespace {

class NoKeepInFront final : public KeepInFront
{
public:
    bool supported() override { return false; }
    void setKeptInFront(QWidget*, bool) override {}
};

enum class Theme
{
    Light,
    Dark,
    HighContrast,
};

QPalette paletteOf(Theme theme)
{
    QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    QPalette palette = fusion->standardPalette();
    delete fusion;
    if (theme == Theme::Light) {
        return palette;
    }
    // A dark desktop as GTK's Adwaita dark paints it, and a high-contrast one: white on black.
    const bool dark = theme == Theme::Dark;
    const QColor window = dark ? QColor(0x32, 0x32, 0x32) : QColor(Qt::black);
    const QColor text = dark ? QColor(0xEE, 0xEE, 0xEC) : QColor(Qt::white);
    const QColor base = dark ? QColor(0x2D, 0x2D, 0x2D) : QColor(Qt::black);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, dark ? QColor(0x3A, 0x3A, 0x3A) : QColor(Qt::black));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Light, dark ? QColor(0x50, 0x50, 0x50) : QColor(Qt::white));
    palette.setColor(QPalette::Mid, dark ? QColor(0x25, 0x25, 0x25) : QColor(Qt::white));
    palette.setColor(QPalette::Dark, dark ? QColor(0x1E, 0x1E, 0x1E) : QColor(Qt::white));
    palette.setColor(QPalette::Highlight, dark ? QColor(0x15, 0x53, 0x9E) : QColor(Qt::yellow));
    palette.setColor(QPalette::HighlightedText, dark ? QColor(Qt::white) : QColor(Qt::black));
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, dark ? QColor(0xA0, 0xA0, 0xA0) : QColor(Qt::yellow));
    palette.setColor(QPalette::Link, dark ? QColor(0x8A, 0xB4, 0xF8) : QColor(Qt::yellow));
    return palette;
}

// The colour most of a region shows (its background) and the colour there that stands out most from it (the
// core of the text or the line drawn on it), as their contrast ratio.
double contrastIn(const QImage& image, const QRect& region)
{
    QHash<QRgb, int> counts;
    const QRect inside = region.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            ++counts[image.pixel(x, y) & 0xFFFFFF];
        }
    }
    QRgb background = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    }
    double best = 1.0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        best = std::max(best, contrastRatio(QColor::fromRgb(background), QColor::fromRgb(it.key())));
    }
    return best;
}

// A control's place in its window's rendering.
QRect placeOf(QWidget* window, QWidget* control, qreal ratio)
{
    const QPoint topLeft = control->mapTo(window, QPoint(0, 0));
    return QRect((QPointF(topLeft) * ratio).toPoint(), (QSizeF(control->size()) * ratio).toSize());
}

QString themeTag(Theme theme)
{
    switch (theme) {
    case Theme::Light:
        return QStringLiteral("light");
    case Theme::Dark:
        return QStringLiteral("dark");
    case Theme::HighContrast:
        return QStringLiteral("high-contrast");
    }
    return {};
}

} // namespace

/// The plugin's windows and saves, with pages printed where the test says.
class PrintingFeatures final : public FeaturePlugin
{
public:
    QWidget* createWindow(WindowRole role, UiLanguage language) override
    {
        return featureSet().createWindow(role, language);
    }
    void saveFavourite(QWidget* owner, QWidget* command, UiLanguage language, FigureKind kind,
                       const QString& name) override
    {
        featureSet().saveFavourite(owner, command, language, kind, name);
    }
    PrintOutcome printPage(QWidget* owner, UiLanguage language, const QString& documentName,
                           const QString& suggestedPdfName, const DrawPage& draw) override
    {
        return print ? print(owner, language, documentName, suggestedPdfName, draw) : PrintOutcome::Failed;
    }

    std::function<PrintOutcome(QWidget*, UiLanguage, const QString&, const QString&, const DrawPage&)> print;
};

class ThemesTest : public QObject
{
    Q_OBJECT

private:
    std::optional<test::WindowSession> m_session;
    PrintingFeatures m_features;
    NoKeepInFront m_keep;
    QPalette m_original;

    static QWidget* open(WindowRole role, UiLanguage language)
    {
        QWidget* window = Windows::instance().show(role, language);
        if (window == nullptr || !QTest::qWaitForWindowExposed(window)) {
            qWarning("window not shown");
        }
        return window;
    }

    // A window of a role the way a user reaches it, with the name "abc" typed and, for the favourites window,
    // "abc" found by name.
    QWidget* reach(const QString& which, UiLanguage language)
    {
        QWidget* main = open(WindowRole::Main, language);
        QTest::keyClicks(main->findChild<QLineEdit*>(test::byEdition(language, "txtAdreca", "txtaAdreca")),
                         QStringLiteral("abc"));
        if (which == QLatin1String("main")) {
            return main;
        }
        if (which == QLatin1String("register")) {
            QTest::mouseClick(main->findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
            return Windows::instance().find(WindowRole::Register, language);
        }
        if (which == QLatin1String("symbology")) {
            QTest::mouseClick(main->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
            return Windows::instance().find(WindowRole::Symbology, language);
        }
        if (which == QLatin1String("reduced")) {
            main->findChild<QAction*>(test::byEdition(language, "mnuformred", "mnureduced"))->trigger();
            return Windows::instance().find(WindowRole::Reduced, language);
        }
        if (which == QLatin1String("about")) {
            return open(WindowRole::About, language);
        }
        if (which == QLatin1String("favourites-empty")) {
            return open(WindowRole::Favourites, language);
        }
        const QString file = m_session->favouritesFile();
        QFile::remove(file);
        if (which == QLatin1String("favourites-name")) {
            test::makeFavouritesFile(m_session->favouritesFile(), test::rows("abc p, abc r"));
            QWidget* favourites = open(WindowRole::Favourites, language);
            favourites->findChild<QAction*>(QStringLiteral("mnunom"))->trigger();
            QTest::keyClicks(favourites->findChild<QLineEdit*>(QStringLiteral("txtNOM")), QStringLiteral("abc"));
            QTest::mouseClick(favourites->findChild<QPushButton*>(QStringLiteral("cmdbuscar")), Qt::LeftButton);
            return favourites;
        }
        if (which == QLatin1String("favourites-figure")) {
            test::makeFavouritesFile(m_session->favouritesFile(), test::rows("abc p, abc r"));
            QWidget* favourites = open(WindowRole::Favourites, language);
            favourites->findChild<QAction*>(QStringLiteral("mnufig"))->trigger();
            return favourites;
        }
        qFatal("unknown window %s", qPrintable(which));
    }

    void useTheme(Theme theme) { QApplication::setPalette(paletteOf(theme)); }

    // The window rendered as it is on screen, with the focus taken away (the focus frame is measured elsewhere).
    static QImage rendering(QWidget* window)
    {
        if (QWidget* focused = QApplication::focusWidget()) {
            focused->clearFocus();
        }
        return window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QApplication::setStyle(QStringLiteral("Fusion"));
        m_original = QApplication::palette();
        registerMainWindows();
        registerCompanionWindows();
        registerAboutWindows();
        useFeatures(&m_features);
        KeepInFront::setCurrent(&m_keep);
    }

    void cleanupTestCase()
    {
        KeepInFront::setCurrent(nullptr);
        QApplication::setPalette(m_original);
    }

    void init() { m_session.emplace(); }

    void cleanup()
    {
        m_features.print = {};
        m_session.reset();
        QApplication::setPalette(m_original);
    }

    // ---- the windows whose look is fixed -------------------------------------------------------------------

    void fixedLookWindowsLookAlikeUnderEveryTheme_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<UiLanguage>("language");
        for (const char* which : {"main", "register", "symbology", "reduced", "about", "favourites-empty",
                                  "favourites-name", "favourites-figure"}) {
            for (const UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
                QTest::addRow("%s %s", which, test::editionTag(language)) << QString::fromLatin1(which) << language;
            }
        }
    }
    void fixedLookWindowsLookAlikeUnderEveryTheme()
    {
        QFETCH(QString, which);
        QFETCH(UiLanguage, language);
        useTheme(Theme::Light);
        QImage light = rendering(reach(which, language));
        for (const Theme theme : {Theme::Dark, Theme::HighContrast}) {
            test::resetProgramState();
            useTheme(theme);
            const QImage other = rendering(reach(which, language));
            QCOMPARE(other.size(), light.size());
            if (which == QLatin1String("about")) {
                // Only the globe turns between two renderings; the rest of the window stays.
                QWidget* about = Windows::instance().find(WindowRole::About, language);
                const QRect globe = placeOf(about, about->findChild<QLabel*>(QStringLiteral("Picture1")), 1.0);
                QPainter(&light).fillRect(globe, Qt::black);
                QImage masked = other;
                QPainter(&masked).fillRect(globe, Qt::black);
                QVERIFY2(masked == light, qPrintable(themeTag(theme)));
            } else {
                QVERIFY2(other == light, qPrintable(themeTag(theme)));
            }
        }
    }

    void textsAndOutlinesReadClearlyUnderADarkTheme_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("control");
        QTest::addColumn<double>("least");
        const double text = 4.5;
        QTest::newRow("main title") << "main"
                                    << "lblTitol" << 3.0; // large text
        QTest::newRow("main www") << "main"
                                  << "Label1" << text;
        QTest::newRow("main com") << "main"
                                  << "Label2" << text;
        QTest::newRow("main address") << "main"
                                      << "lblAdreca1" << text;
        QTest::newRow("main plain address") << "main"
                                            << "lblAdrecaCom" << text;
        QTest::newRow("main figure frame") << "main"
                                           << "Label3" << text;
        QTest::newRow("main name box") << "main"
                                       << "txtAdreca" << text;
        QTest::newRow("main save") << "main"
                                   << "Command4" << text;
        QTest::newRow("register address") << "register"
                                          << "lblReg_Ad1" << text;
        QTest::newRow("register address 4") << "register"
                                            << "lblReg_Ad4" << text;
        QTest::newRow("symbology sentence") << "symbology"
                                            << "Label1" << text;
        QTest::newRow("symbology example") << "symbology"
                                           << "Label6" << text;
        QTest::newRow("reduced www") << "reduced"
                                     << "Label1" << text;
        QTest::newRow("reduced back") << "reduced"
                                      << "Command1" << text;
        QTest::newRow("about description") << "about"
                                           << "Label5" << text;
        QTest::newRow("about version") << "about"
                                       << "lblVersion" << text;
        QTest::newRow("favourites no entries") << "favourites-empty"
                                               << "Label3" << 3.0; // large text
        QTest::newRow("favourites mode link") << "favourites-name"
                                              << "Label2" << text;
        QTest::newRow("favourites prompt") << "favourites-name"
                                           << "Label4" << text;
        QTest::newRow("favourites search box") << "favourites-name"
                                               << "txtNOM" << text;
        QTest::newRow("favourites search") << "favourites-name"
                                           << "cmdbuscar" << text;
        QTest::newRow("favourites address") << "favourites-name"
                                            << "lbladreca4" << text;
        QTest::newRow("favourites list command") << "favourites-figure"
                                                 << "Command1" << text;
    }
    void textsAndOutlinesReadClearlyUnderADarkTheme()
    {
        QFETCH(QString, which);
        QFETCH(QString, control);
        QFETCH(double, least);
        useTheme(Theme::Dark);
        QWidget* window = reach(which, UiLanguage::Spanish);
        QVERIFY(window != nullptr);
        auto* shown = window->findChild<QWidget*>(control);
        QVERIFY(shown != nullptr && shown->isVisible());
        const QImage image = rendering(window);
        const double ratio = contrastIn(image, placeOf(window, shown, image.devicePixelRatio()));
        QVERIFY2(ratio >= least, qPrintable(QStringLiteral("%1: %2:1").arg(control).arg(ratio, 0, 'f', 2)));
    }

    void figureOutlinesStandOutUnderADarkTheme_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("canvas");
        QTest::addColumn<QRect>("across"); // a strip across one outline, in the canvas's pixels, clear of controls
        QTest::newRow("main rectangle") << "main"
                                        << "figureCanvas" << QRect(2, 155, 12, 8);
        QTest::newRow("favourites by name") << "favourites-name"
                                            << "picnom" << QRect(10, 92, 10, 12);
        QTest::newRow("favourites by figure") << "favourites-figure"
                                              << "picfig" << QRect(10, 40, 12, 8);
    }
    void figureOutlinesStandOutUnderADarkTheme()
    {
        QFETCH(QString, which);
        QFETCH(QString, canvas);
        QFETCH(QRect, across);
        useTheme(Theme::Dark);
        QWidget* window = reach(which, UiLanguage::Spanish);
        auto* drawn = window->findChild<QWidget*>(canvas);
        QVERIFY(drawn != nullptr && drawn->isVisible());
        const QImage image = drawn->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const double ratio = contrastIn(image, across);
        QVERIFY2(ratio >= 3.0, qPrintable(QStringLiteral("%1:1").arg(ratio, 0, 'f', 2)));
    }

    // ---- a window beyond the fixed ones follows the theme --------------------------------------------------

    void availabilityWindowFollowsTheTheme()
    {
        useTheme(Theme::Dark);
        QWidget* window = open(WindowRole::Availability, UiLanguage::English);
        QVERIFY(window != nullptr);
        QCOMPARE(window->palette().color(QPalette::Window), paletteOf(Theme::Dark).color(QPalette::Window));
        const QImage image = rendering(window);
        // Its labels read on the theme's own background.
        const QList<QLabel*> labels = window->findChildren<QLabel*>();
        int measured = 0;
        for (QLabel* label : labels) {
            if (!label->isVisible() || label->text().trimmed().isEmpty()) {
                continue;
            }
            const double ratio = contrastIn(image, placeOf(window, label, image.devicePixelRatio()));
            QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1: %2:1").arg(label->objectName()).arg(ratio)));
            ++measured;
        }
        QVERIFY(measured > 0);
    }

    // ---- printing --------------------------------------------------------------------------------------------

    void printedPagesAreTheSameUnderEveryTheme_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("item");
        QTest::newRow("register") << "register"
                                  << "mnureg";
        QTest::newRow("symbology") << "symbology"
                                   << "mnuimprsimb";
    }
    void printedPagesAreTheSameUnderEveryTheme()
    {
        QFETCH(QString, which);
        QFETCH(QString, item);
        QList<QImage> pages;
        for (const Theme theme : {Theme::Light, Theme::Dark, Theme::HighContrast}) {
            test::resetProgramState();
            useTheme(theme);
            QImage page(850, 1100, QImage::Format_RGB32);
            page.fill(Qt::white);
            m_features.print = [&page](QWidget*, UiLanguage, const QString&, const QString&, const DrawPage& draw) {
                QPainter painter(&page);
                draw(painter, 100.0);
                return PrintOutcome::Printed;
            };
            QWidget* window = reach(which, UiLanguage::Spanish);
            auto* print = window->findChild<QAction*>(item);
            QVERIFY(print != nullptr);
            print->trigger();
            pages << page;
        }
        QImage blank(850, 1100, QImage::Format_RGB32);
        blank.fill(Qt::white);
        QVERIFY(pages[0] != blank); // something was drawn
        QVERIFY2(pages[1] == pages[0], "dark");
        QVERIFY2(pages[2] == pages[0], "high contrast");
    }
};

QTEST_MAIN(ThemesTest)
#include "ThemesTest.moc"
