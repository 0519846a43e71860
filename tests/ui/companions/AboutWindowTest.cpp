// The About window of both editions: its load, its animation and every way it closes.
#include "QuorvelConfig.h"
#include "launch/Browser.h"
#include "tests/support/StandInWindows.h"
#include "ui/common/ClickableLabel.h"
#include "ui/common/Twips.h"
#include "ui/companions/CompanionRegistration.h"
#include "ui/main/MainRegistration.h"

#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>

using namespace quorvel;
using namespace quorvel::ui;
using quorvel::test::settle;

namespace {

QImage imageOf(const QLabel* label)
{
    return label->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
}

void tick(QWidget* about, const char* timer)
{
    QTimer* t = about->findChild<QTimer*>(QString::fromLatin1(timer));
    QVERIFY(t != nullptr);
    QVERIFY(QMetaObject::invokeMethod(t, "timeout"));
}

} // namespace

class AboutWindowTest : public QObject
{
    Q_OBJECT

private:
    test::RecordingLaunch* m_launch = nullptr;

    // Shows the About window and lets it be painted, after which it finishes loading.
    static QWidget* openAbout(UiLanguage language)
    {
        QWidget* about = Windows::instance().show(WindowRole::About, language);
        settle();
        return about;
    }

    // The same with the animation driven by the test's ticks alone: the real 100 ms timer is stopped before
    // anything else runs, so a slow machine cannot slip in frames of its own.
    static QWidget* openAboutTicking(UiLanguage language)
    {
        QWidget* about = Windows::instance().show(WindowRole::About, language);
        about->findChild<QTimer*>(QStringLiteral("Timer2"))->stop();
        settle();
        return about;
    }

private Q_SLOTS:
    void initTestCase()
    {
        registerMainWindows();
        registerAboutWindows();
    }

    void init()
    {
        test::resetProgramState();
        m_launch = new test::RecordingLaunch("/opt/browser/bin/web");
    }

    void cleanup()
    {
        test::resetProgramState();
        delete m_launch;
    }

    void editions_data() { test::editions(); }

    void loadStartsTimersShowsTheFirstFrameAndFindsTheBrowser_data() { editions_data(); }

    void loadStartsTimersShowsTheFirstFrameAndFindsTheBrowser()
    {
        QFETCH(UiLanguage, language);
        // Looked at before any event runs, so that no real animation tick has come yet.
        QWidget* about = Windows::instance().show(WindowRole::About, language);
        QVERIFY(about != nullptr);
        QCOMPARE(about->objectName(), test::byEdition(language, "frmAcerca_Cast", "frmAcerca_Ang"));
        auto* timer1 = about->findChild<QTimer*>(QStringLiteral("Timer1"));
        auto* timer2 = about->findChild<QTimer*>(QStringLiteral("Timer2"));
        QVERIFY(timer1->isActive());
        QCOMPARE(timer1->interval(), 10000);
        QVERIFY(timer2->isActive());
        QCOMPARE(timer2->interval(), 100);
        QCOMPARE(about->property("conta").toInt(), 1);
        // Once painted, the window shows the first frame and has found the browser. The animation is stopped
        // first, so that a slow machine cannot move the picture on while the events run.
        timer2->stop();
        settle();
        QVERIFY(!imageOf(about->findChild<QLabel*>(QStringLiteral("Picture1"))).isNull());
        QCOMPARE(imageOf(about->findChild<QLabel*>(QStringLiteral("Picture1"))),
                 imageOf(about->findChild<QLabel*>(QStringLiteral("Image1"))));
        QCOMPARE(BrowserPath, std::string("/opt/browser/bin/web"));
        QVERIFY(Windows::instance().find(WindowRole::Main, language) == nullptr);
    }

    void windowLooksAsItShould_data() { editions_data(); }

    void windowLooksAsItShould()
    {
        QFETCH(UiLanguage, language);
        QWidget* about = openAbout(language);
        QCOMPARE(about->windowTitle(),
                 test::byEdition(language, "Acerca de \"Quorvel v1.1\"", "About \"Quorvel v1.1\""));
        QCOMPARE(about->size(), QSize(px(language == UiLanguage::Spanish ? 5640 : 5730), px(5850)));
        QCOMPARE(about->minimumSize(), about->maximumSize());
        const Qt::WindowFlags flags = about->windowFlags();
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool); // kept out of the task bar
        QVERIFY(!about->isModal());

        QCOMPARE(about->findChild<QPushButton*>(QStringLiteral("Command1"))->text(),
                 test::byEdition(language, "Acepto", "OK"));
        QCOMPARE(about->findChild<QPushButton*>(QStringLiteral("Command1"))->geometry(),
                 twipsRect(3840, 4920, 1455, 495));
        QCOMPARE(about->findChild<QLabel*>(QStringLiteral("Picture1"))->geometry(), twipsRect(840, 240, 1215, 1215));
        auto* description = about->findChild<QLabel*>(QStringLiteral("Label5"));
        QCOMPARE(description->text(),
                 test::byEdition(
                     language,
                     "Sistema para la codificación y registro de nombres y marcas en internet y que posteriormente "
                     "facilita mostrarlos identificados mediante figuras geométricas.",
                     "System for the code and registration of names and marks in internet and that later on it "
                     "facilitates to show them identified by geometric figures."));
        QCOMPARE(description->font().pointSizeF(), 9.75);
        QCOMPARE(description->geometry(), twipsRect(240, 2400, 5175, 735));
        auto* legal = about->findChild<QLabel*>(QStringLiteral("Label8"));
        QCOMPARE(legal->geometry(), twipsRect(360, 4680, 3255, language == UiLanguage::Spanish ? 1095 : 855));
        // The licence as it is: free software, copied, changed and shared under the GPL 3 or later, no warranty.
        QCOMPARE(legal->text(),
                 test::byEdition(language,
                                 "Software libre bajo la GPL 3 o posterior: puede copiarlo, modificarlo y "
                                 "compartirlo. Sin ninguna garantía.",
                                 "Free software under the GPL 3 or later: you may copy, change and share it. "
                                 "No warranty."));
        // The whole notice, wrapped, stays within the label.
        const QRect needed = QFontMetrics(legal->font())
                                 .boundingRect(QRect(QPoint(0, 0), legal->size()),
                                               int(Qt::AlignCenter | Qt::TextWordWrap), legal->text());
        QVERIFY2(needed.width() <= legal->width() && needed.height() <= legal->height(),
                 qPrintable(QStringLiteral("%1 x %2").arg(needed.width()).arg(needed.height())));
    }

    void framesAreEighteenDistinctPicturesOfTheirSize()
    {
        QWidget* about = openAbout(UiLanguage::Spanish);
        QSet<QByteArray> distinct;
        for (int n = 1; n <= 18; ++n) {
            auto* image = about->findChild<QLabel*>(QStringLiteral("Image%1").arg(n));
            QVERIFY2(image != nullptr, qPrintable(QString::number(n)));
            QVERIFY(image->isHidden());
            const bool shorter = n == 5 || n == 11 || n == 14;
            QCOMPARE(image->pixmap().size(), QSize(80, shorter ? 79 : 80));
            const QImage picture = imageOf(image);
            // Black space in the corner, a red letter somewhere, blue ocean in the middle.
            QCOMPARE(picture.pixelColor(0, 0), QColor(Qt::black));
            bool red = false;
            for (int y = 0; y < picture.height() && !red; ++y) {
                for (int x = 0; x < picture.width() && !red; ++x) {
                    const QColor c = picture.pixelColor(x, y);
                    red = c.red() > 150 && c.green() < 80 && c.blue() < 80;
                }
            }
            QVERIFY2(red, "no red lettering");
            distinct.insert(QByteArray(reinterpret_cast<const char*>(picture.constBits()), picture.sizeInBytes()));
        }
        QCOMPARE(distinct.size(), 18);
    }

    void animationCyclesThroughTheEighteenFrames()
    {
        QWidget* about = openAboutTicking(UiLanguage::English);
        auto* picture = about->findChild<QLabel*>(QStringLiteral("Picture1"));
        QStringList shown;
        QList<int> counts;
        for (int i = 0; i < 37; ++i) {
            tick(about, "Timer2");
            counts << about->property("conta").toInt();
            const QImage now = imageOf(picture);
            for (int n = 1; n <= 18; ++n) {
                if (now == imageOf(about->findChild<QLabel*>(QStringLiteral("Image%1").arg(n)))) {
                    shown << QString::number(n);
                    break;
                }
            }
        }
        QStringList expected;
        QList<int> expectedCounts;
        for (int i = 0; i < 37; ++i) {
            const int frame = (i + 1) % 18 + 1; // the first tick shows frame 2
            expected << QString::number(frame);
            expectedCounts << (frame == 18 ? 0 : frame);
        }
        QCOMPARE(shown, expected);
        QCOMPARE(counts, expectedCounts);
    }

    void everyClosingRouteLeadsToTheMainWindow_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("route");
        for (const char* route : {"Command1", "Timer1", "close box", "Picture1"}) {
            QTest::addRow("es %s", route) << UiLanguage::Spanish << QString::fromLatin1(route);
            QTest::addRow("en %s", route) << UiLanguage::English << QString::fromLatin1(route);
        }
    }

    void everyClosingRouteLeadsToTheMainWindow()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, route);
        QWidget* about = openAbout(language);
        QPointer<QWidget> guard = about;
        QPointer<QTimer> timer2 = about->findChild<QTimer*>(QStringLiteral("Timer2"));
        for (int i = 0; i < 5; ++i) {
            tick(about, "Timer2");
        }
        if (route == QStringLiteral("Command1")) {
            QTest::mouseClick(about->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        } else if (route == QStringLiteral("Timer1")) {
            tick(about, "Timer1");
        } else if (route == QStringLiteral("close box")) {
            QVERIFY(about->close());
        } else {
            QTest::mouseClick(about->findChild<QLabel*>(QStringLiteral("Picture1")), Qt::LeftButton);
        }
        QVERIFY(Windows::instance().find(WindowRole::About, language) == nullptr);
        QVERIFY(timer2.isNull() || !timer2->isActive());
        settle();
        QVERIFY(guard.isNull());
        QWidget* main = Windows::instance().find(WindowRole::Main, language);
        QVERIFY(main != nullptr && main->isVisible());
        QCOMPARE(main->objectName(), test::byEdition(language, "frmPrin_Cast", "frmPrin_Ang"));
        QCOMPARE(Windows::instance().loadedCount(), 1);
        const QStringList launches =
            route == QStringLiteral("Picture1")
                ? QStringList{QStringLiteral("A /opt/browser/bin/web ") +
                              QString::fromUtf8(HomePageAddress.data(), static_cast<qsizetype>(HomePageAddress.size()))}
                : QStringList();
        QCOMPARE(m_launch->launches, launches);
    }

    void reopeningBringsItToTheFrontWithoutRestarting()
    {
        QWidget* about = openAboutTicking(UiLanguage::Spanish);
        for (int i = 0; i < 4; ++i) {
            tick(about, "Timer2");
        }
        auto* timer1 = about->findChild<QTimer*>(QStringLiteral("Timer1"));
        const int remaining = timer1->remainingTime();
        QCOMPARE(openAbout(UiLanguage::Spanish), about);
        QCOMPARE(about->property("conta").toInt(), 5);
        QVERIFY(timer1->remainingTime() <= remaining); // the close timer keeps counting from its first load
    }

    void closingAfterALanguageSwitchBringsBackItsOwnEdition()
    {
        QWidget* castMain = Windows::instance().show(WindowRole::Main, UiLanguage::Spanish);
        QWidget* about = openAbout(UiLanguage::Spanish);
        Windows::instance().show(WindowRole::Main, UiLanguage::English);
        castMain->close();
        settle();
        QVERIFY(Windows::instance().find(WindowRole::Main, UiLanguage::Spanish) == nullptr);
        tick(about, "Timer1");
        settle();
        QVERIFY(Windows::instance().find(WindowRole::Main, UiLanguage::Spanish) != nullptr);
        QVERIFY(Windows::instance().find(WindowRole::Main, UiLanguage::English) != nullptr);
    }

    void closingAtOnceStillFindsTheBrowserBeforeTheMainWindow()
    {
        QWidget* about = Windows::instance().show(WindowRole::About, UiLanguage::Spanish);
        QVERIFY(BrowserPath.empty()); // not yet: the window has not been painted
        QTest::mouseClick(about->findChild<QLabel*>(QStringLiteral("Picture1")), Qt::LeftButton);
        QCOMPARE(BrowserPath, std::string("/opt/browser/bin/web"));
        QCOMPARE(m_launch->launches.size(), 1); // the home page, in the browser found at load
        QVERIFY(Windows::instance().find(WindowRole::Main, UiLanguage::Spanish) != nullptr);
    }

    void noBrowserFoundStillLoadsAndTheEmblemOpensNothing()
    {
        m_launch->handler.clear();
        QWidget* about = openAbout(UiLanguage::English);
        QVERIFY(BrowserPath.empty());
        tick(about, "Timer2");
        QTest::mouseClick(about->findChild<QLabel*>(QStringLiteral("Picture1")), Qt::LeftButton);
        settle();
        QVERIFY(Windows::instance().find(WindowRole::Main, UiLanguage::English) != nullptr);
        QVERIFY(m_launch->launches.isEmpty()); // no program to start: nothing happens, silently
    }
};

QTEST_MAIN(AboutWindowTest)
#include "AboutWindowTest.moc"
