// The windows on a dense screen (run with the program scaled twice over): the pictures the program draws have a
// device pixel for each of the screen's, and the help window opens within a small screen's work area, centred.
// With a large desktop font the favourites window's boxes and buttons keep their texts whole.
#include "core/SharedState.h"
#include "tests/support/FavouritesFixtures.h"
#include "tests/support/TestSupport.h"
#include "ui/common/Features.h"
#include "ui/common/Help.h"
#include "ui/common/Windows.h"
#include "ui/companions/AboutFrames.h"
#include "ui/companions/CompanionRegistration.h"
#include "ui/companions/SymbologyWindow.h"
#include "ui/features/FeatureSet.h"
#include "ui/main/MainRegistration.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using namespace quorvel::ui;

namespace {

// The number of distinct colours in an image: a picture stretched from fewer pixels has far fewer.
int distinctColours(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.pixel(x, y));
        }
    }
    return static_cast<int>(colours.size());
}

} // namespace

class DenseScreenTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::RecordingNotices> m_notices;
    std::unique_ptr<test::RecordingLaunch> m_launch;

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
        registerMainWindows();
        registerCompanionWindows();
        registerAboutWindows();
        useFeatures(&featureSet());
    }

    void init()
    {
        test::resetProgramState();
        m_notices = std::make_unique<test::RecordingNotices>();
        m_launch = std::make_unique<test::RecordingLaunch>("/usr/bin/fakebrowser");
        BrowserPath = "/usr/bin/fakebrowser";
    }

    void cleanup()
    {
        test::resetProgramState();
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName().startsWith(QLatin1String("helpWindow"))) {
                delete widget;
            }
        }
        m_launch.reset();
        m_notices.reset();
    }

    void pictureBoxesShowPicturesAtTheScreensRatio_data()
    {
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QSize>("size");
        QTest::newRow("about globe") << int(WindowRole::About) << "Picture1" << QSize(80, 80);
        QTest::newRow("symbology ellipse") << int(WindowRole::Symbology) << "Image1" << QSize(66, 32);
    }
    void pictureBoxesShowPicturesAtTheScreensRatio()
    {
        QFETCH(int, role);
        QFETCH(QString, picture);
        QFETCH(QSize, size);
        QWidget* window = Windows::instance().show(static_cast<WindowRole>(role), UiLanguage::Spanish);
        QVERIFY(window != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto* box = window->findChild<QLabel*>(picture);
        QVERIFY(box != nullptr);
        QTRY_VERIFY(!box->pixmap().isNull());
        const QPixmap shown = box->pixmap();
        QCOMPARE(shown.devicePixelRatio(), 2.0);
        QCOMPARE(shown.deviceIndependentSize().toSize(), size); // the same room on screen
        QCOMPARE(shown.size(), size * 2);                       // with twice the pixels each way
    }

    void drawnPicturesHaveTheDetailOfTheirPixels_data()
    {
        QTest::addColumn<QString>("which");
        QTest::newRow("about frame") << "about";
        QTest::newRow("ellipse") << "ellipse";
    }
    void drawnPicturesHaveTheDetailOfTheirPixels()
    {
        QFETCH(QString, which);
        const bool about = which == QLatin1String("about");
        const QImage single = about ? aboutFrame(3, 1.0).toImage() : handDrawnEllipse(1.0);
        const QImage dense = about ? aboutFrame(3, 2.0).toImage() : handDrawnEllipse(2.0);
        QCOMPARE(dense.size(), single.size() * 2);
        // Drawn anew, not stretched: a stretched picture repeats each pixel four times and adds no colour.
        const QImage stretched = single.scaled(single.size() * 2);
        QVERIFY(dense.convertToFormat(stretched.format()) != stretched);
        QVERIFY2(distinctColours(dense) > distinctColours(single),
                 qPrintable(QStringLiteral("%1 vs %2").arg(distinctColours(dense)).arg(distinctColours(single))));
    }

    void iconsAreDrawnAtTheScreensRatio()
    {
        QWidget* main = Windows::instance().show(WindowRole::Main, UiLanguage::Spanish);
        QVERIFY(QTest::qWaitForWindowExposed(main));
        auto* symbology = main->findChild<QPushButton*>(QStringLiteral("Command1"));
        const QPixmap icon = symbology->icon().pixmap(symbology->iconSize(), 2.0);
        QCOMPARE(icon.devicePixelRatio(), 2.0);
        QCOMPARE(icon.size(), symbology->iconSize() * 2);
    }

    void figureOutlinesAreDrawnWithTheScreensPixels()
    {
        QWidget* main = Windows::instance().show(WindowRole::Main, UiLanguage::Spanish);
        QVERIFY(QTest::qWaitForWindowExposed(main));
        QWidget* canvas = main->findChild<QWidget*>(QStringLiteral("figureCanvas"));
        const QImage image = canvas->grab().toImage();
        QCOMPARE(image.devicePixelRatio(), 2.0);
        QCOMPARE(image.size(), canvas->size() * 2);
    }

    void favouritesControlsKeepTheirTextsWholeWithALargeFont_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<qreal>("points");
        for (const UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
            for (const qreal points : {9.0, 12.0, 16.0}) {
                QTest::addRow("%s %g pt", test::editionTag(language), points) << language << points;
            }
        }
    }
    void favouritesControlsKeepTheirTextsWholeWithALargeFont()
    {
        QFETCH(UiLanguage, language);
        QFETCH(qreal, points);
        const QFont desktop = QApplication::font();
        QFont large = desktop;
        large.setPointSizeF(points);
        QApplication::setFont(large);
        QTemporaryDir dir;
        qputenv("QUORVEL_DATA_DIR", dir.path().toUtf8());
        test::makeFavouritesFile(dir.filePath(QStringLiteral("QUORVEL.MDB")), test::rows("gjpqy r"));
        QWidget* favourites = Windows::instance().show(WindowRole::Favourites, language);
        QVERIFY(QTest::qWaitForWindowExposed(favourites));

        favourites->findChild<QAction*>(QStringLiteral("mnunom"))->trigger();
        auto* box = favourites->findChild<QLineEdit*>(QStringLiteral("txtNOM"));
        QTest::keyClicks(box, QStringLiteral("gjpqy"));
        // The text box: a line of its text, descenders included, within the box's frame.
        QStyleOptionFrame frame;
        frame.initFrom(box);
        frame.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, box);
        const QRect textRoom = box->style()->subElementRect(QStyle::SE_LineEditContents, &frame, box);
        QVERIFY2(box->fontMetrics().height() <= textRoom.height(),
                 qPrintable(QStringLiteral("%1 > %2").arg(box->fontMetrics().height()).arg(textRoom.height())));
        auto* search = favourites->findChild<QPushButton*>(QStringLiteral("cmdbuscar"));
        QVERIFY(search->fontMetrics().horizontalAdvance(search->text()) + 8 <= search->width());
        QVERIFY(search->fontMetrics().height() <= search->height());

        favourites->findChild<QAction*>(QStringLiteral("mnufig"))->trigger();
        for (const char* name : {"Combo1", "Combo2", "Combo3", "Combo4"}) {
            auto* combo = favourites->findChild<QComboBox*>(QString::fromLatin1(name));
            QStyleOptionComboBox option;
            option.initFrom(combo);
            option.editable = false;
            option.frame = true;
            const QRect textRoom =
                combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
            QVERIFY2(combo->fontMetrics().height() <= textRoom.height(),
                     qPrintable(QStringLiteral("%1: %2 > %3")
                                    .arg(QLatin1String(name))
                                    .arg(combo->fontMetrics().height())
                                    .arg(textRoom.height())));
        }
        QApplication::setFont(desktop);
    }

    void helpWindowOpensWithinASmallScreen_data() { test::editions(); }
    void helpWindowOpensWithinASmallScreen()
    {
        QFETCH(UiLanguage, language);
        Help::setHandler(nullptr);
        helpViewer().showContents(nullptr, language);
        QWidget* help = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName().startsWith(QLatin1String("helpWindow")) && widget->isVisible()) {
                help = widget;
            }
        }
        QVERIFY(help != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(help));
        const QRect area = help->screen()->availableGeometry();
        // Smaller than its usual 820 x 560 here: the screen is 400 x 300 at this scale.
        QVERIFY2(area.width() < 820 && area.height() < 560, "the screen is not small at this scale");
        const QRect outer = help->frameGeometry();
        QVERIFY2(area.contains(outer), qPrintable(QStringLiteral("%1,%2 %3x%4 in %5x%6")
                                                      .arg(outer.x())
                                                      .arg(outer.y())
                                                      .arg(outer.width())
                                                      .arg(outer.height())
                                                      .arg(area.width())
                                                      .arg(area.height())));
        QVERIFY(qAbs(outer.center().x() - area.center().x()) <= 1);
        QVERIFY(qAbs(outer.center().y() - area.center().y()) <= 1);
    }
};

QTEST_MAIN(DenseScreenTest)
#include "DenseScreenTest.moc"
