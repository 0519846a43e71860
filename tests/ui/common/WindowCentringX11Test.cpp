// Every window of both editions opens centred on a real X server under a window manager (openbox): the
// centre of its outer frame, title bar and borders included, lies on the centre of the work area.
#include "tests/support/TestSupport.h"
#include "tests/ui/companions/CompanionTesting.h"
#include "ui/common/Features.h"
#include "ui/common/Windows.h"
#include "ui/companions/CompanionRegistration.h"
#include "ui/features/FeatureSet.h"
#include "ui/main/MainRegistration.h"

#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(quorvel::ui::WindowRole)

using namespace quorvel;
using namespace quorvel::ui;

namespace {

// A property of the window as the X server holds it, read with xprop: the numbers after the '='.
QList<int> xNumbers(const QString& program, const QStringList& arguments)
{
    bool ok = false;
    const QString out = test::runTool(program, arguments, &ok);
    QList<int> numbers;
    const QRegularExpression number(QStringLiteral("-?\\d+"));
    const QString values = out.section(u'=', 1);
    for (auto it = number.globalMatch(values); it.hasNext();) {
        numbers << it.next().captured().toInt();
    }
    return numbers;
}

// The outer frame of a top-level window in root coordinates, from the X server itself: the client's
// absolute place (xwininfo) widened by the frame extents the window manager announces.
QRect outerFrame(QWidget* window)
{
    const QString id = QString::number(window->winId());
    bool ok = false;
    const QString info = test::runTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id}, &ok);
    auto field = [&info](const char* name) {
        const QRegularExpression re(QStringLiteral("%1:\\s+(-?\\d+)").arg(QLatin1String(name)));
        return re.match(info).captured(1).toInt();
    };
    const QRect client(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height"));
    const QList<int> extents =
        xNumbers(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QStringLiteral("_NET_FRAME_EXTENTS")});
    if (extents.size() != 4) {
        return {};
    }
    // left, right, top, bottom
    return client.adjusted(-extents[0], -extents[2], extents[1], extents[3]);
}

// The work area of the first desktop, as the window manager announces it on the root window.
QRect workArea()
{
    const QList<int> area =
        xNumbers(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_WORKAREA")});
    return area.size() >= 4 ? QRect(area[0], area[1], area[2], area[3]) : QRect();
}

// Waits until the manager has framed the window and the frame has stayed put for half a second.
QRect settledFrame(QWidget* window)
{
    QRect last;
    int steady = 0;
    for (int i = 0; i < 200 && steady < 5; ++i) {
        QTest::qWait(100);
        const QRect now = outerFrame(window);
        steady = now.isValid() && now == last ? steady + 1 : 0;
        last = now;
    }
    return steady >= 5 ? last : QRect();
}

} // namespace

class WindowCentringX11Test : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        // The favourites window reads its file from the data folder: an empty one of the test's own.
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
        registerMainWindows();
        registerAboutWindows();
        useFeatures(&featureSet());
        registerCompanionWindows();
        // The script returns once openbox frames windows; it runs on until the X server ends.
        QCOMPARE(QProcess::execute(QStringLiteral(QUORVEL_START_OPENBOX), {}), 0);
    }
    void init() { test::resetProgramState(); }
    void cleanup() { test::resetProgramState(); }

    void frameCentredOnTheWorkArea_data()
    {
        QTest::addColumn<WindowRole>("role");
        QTest::addColumn<UiLanguage>("language");
        const std::pair<WindowRole, const char*> roles[] = {
            {WindowRole::Main, "main"},           {WindowRole::Favourites, "favourites"},
            {WindowRole::Reduced, "reduced"},     {WindowRole::Register, "register"},
            {WindowRole::Symbology, "symbology"}, {WindowRole::About, "about"},
        };
        for (const auto& [role, name] : roles) {
            QTest::addRow("%s es", name) << role << UiLanguage::Spanish;
            QTest::addRow("%s en", name) << role << UiLanguage::English;
        }
    }
    void frameCentredOnTheWorkArea()
    {
        QFETCH(WindowRole, role);
        QFETCH(UiLanguage, language);
        test::RecordingNotices notices;
        test::RecordingLaunch launch;
        QWidget* window = Windows::instance().show(role, language);
        QVERIFY(window != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(window, 20000));
        const QRect frame = settledFrame(window);
        QVERIFY2(frame.isValid(), "openbox did not frame the window, or it kept moving");
        const QRect area = workArea();
        QVERIFY(area.isValid());
        // The frame is bigger than the client: the manager really framed it.
        QVERIFY(frame.height() > window->height());
        const QPointF offset = QRectF(frame).center() - QRectF(area).center();
        QVERIFY2(std::abs(offset.x()) <= 2.0 && std::abs(offset.y()) <= 2.0,
                 qPrintable(QStringLiteral("frame %1,%2 %3x%4 is %5,%6 px off the centre of the work area")
                                .arg(frame.x())
                                .arg(frame.y())
                                .arg(frame.width())
                                .arg(frame.height())
                                .arg(offset.x())
                                .arg(offset.y())));
    }
};

QTEST_MAIN(WindowCentringX11Test)
#include "WindowCentringX11Test.moc"
