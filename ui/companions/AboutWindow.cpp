#include "ui/companions/AboutWindow.h"

#include "QuorvelConfig.h"
#include "launch/Browser.h"
#include "ui/common/ClickableLabel.h"
#include "ui/common/Closing.h"
#include "ui/common/Editions.h"
#include "ui/common/FigureShapes.h"
#include "ui/common/Icons.h"
#include "ui/common/Palettes.h"
#include "ui/common/Texts.h"
#include "ui/common/Twips.h"
#include "ui/common/Windows.h"
#include "ui/companions/AboutFrames.h"

#include <QCloseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace quorvel::ui {

namespace {

constexpr int CloseAfterMs = 10000;
constexpr int FrameIntervalMs = 100;
constexpr int ClientHeight = 5850;

// What one edition of the window has of its own besides its texts.
struct AboutEdition
{
    const char* window;
    int clientWidth;
    int legalNoticeHeight; // Label8
};

constexpr EditionTable<AboutEdition> Editions{
    .spanish = {.window = "frmAcerca_Cast", .clientWidth = 5640, .legalNoticeHeight = 1095},
    .english = {.window = "frmAcerca_Ang", .clientWidth = 5730, .legalNoticeHeight = 855},
};

} // namespace

AboutWindow::AboutWindow(UiLanguage language, QWidget* parent) : QWidget(parent), m_language(language)
{
    // A fixed dialog frame with only the close box, kept out of the task bar; modeless in both of its roles.
    const AboutEdition& edition = Editions.edition(language);
    setupProgramWindow(this, QString::fromLatin1(edition.window),
                       Texts::get(QStringLiteral("about"), QStringLiteral("caption"), language),
                       WindowButtons::ToolCloseOnly);
    useLightLook(this);
    closeOnEscape(this); // as the accept button does
    setClientSizeTwips(this, edition.clientWidth, ClientHeight);
    setupControls();
    load();
}

void AboutWindow::setupControls()
{
    const EditionTexts texts(QStringLiteral("about"), m_language);

    auto* canvas = new FigureCanvas(this);
    canvas->setObjectName(QStringLiteral("aboutCanvas"));
    canvas->setGeometry(rect());
    canvas->addOutline(FigureOutline::rectangle(QRectF(120, 2160, 5415, 1215)), 2); // Shape2
    canvas->addOutline(FigureOutline::rectangle(QRectF(120, 3600, 5415, 2175)), 2); // Shape3

    m_picture = new ClickableLabel(canvas);
    m_picture->setObjectName(QStringLiteral("Picture1"));
    m_picture->setGeometry(twipsRect(840, 240, 1215, 1215));
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setAutoFillBackground(true);
    setBackground(m_picture, Colours::Black);
    connect(m_picture, &ClickableLabel::clicked, this, &AboutWindow::openHomePage);

    // The frames are kept in hidden images and copied into the picture box one after another. Only the first is
    // drawn before the window appears; the others follow right after (finishLoad) or when first needed.
    for (int number = 1; number <= AboutFrameCount; ++number) {
        auto* image = new QLabel(canvas);
        image->setObjectName(QStringLiteral("Image%1").arg(number));
        image->setGeometry(QRect(QPoint(0, 0), aboutFrameSize(number)));
        image->hide();
        m_images[static_cast<std::size_t>(number - 1)] = image;
    }

    auto* description = new QLabel(texts("description"), canvas);
    description->setObjectName(QStringLiteral("Label5"));
    description->setGeometry(twipsRect(240, 2400, 5175, 735));
    description->setFont(arialFont(9.75));
    description->setAlignment(Qt::AlignCenter);
    description->setWordWrap(true);

    auto* version = new QLabel(texts("version"), canvas);
    version->setObjectName(QStringLiteral("lblVersion"));
    version->setGeometry(twipsRect(240, 3720, 5175, 855));
    version->setFont(arialFont(9.75, true));
    version->setAlignment(Qt::AlignCenter);
    version->setTextFormat(Qt::PlainText);

    auto* legal = new QLabel(texts("legal"), canvas);
    legal->setObjectName(QStringLiteral("Label8"));
    legal->setGeometry(twipsRect(360, 4680, 3255, Editions.edition(m_language).legalNoticeHeight));
    legal->setFont(arialFont(9.75));
    legal->setAlignment(Qt::AlignCenter);
    legal->setWordWrap(true);

    m_accept = new QPushButton(texts("accept"), canvas);
    m_accept->setObjectName(QStringLiteral("Command1"));
    m_accept->setGeometry(twipsRect(3840, 4920, 1455, 495));
    m_accept->setDefault(true);
    m_accept->setFocus(Qt::OtherFocusReason);
    connect(m_accept, &QPushButton::clicked, this, &AboutWindow::closeToMainWindow);

    m_closeTimer = new QTimer(this);
    m_closeTimer->setObjectName(QStringLiteral("Timer1"));
    m_closeTimer->setInterval(CloseAfterMs);
    connect(m_closeTimer, &QTimer::timeout, this, &AboutWindow::closeToMainWindow);

    m_animationTimer = new QTimer(this);
    m_animationTimer->setObjectName(QStringLiteral("Timer2"));
    m_animationTimer->setInterval(FrameIntervalMs);
    connect(m_animationTimer, &QTimer::timeout, this, &AboutWindow::nextFrame);
}

void AboutWindow::load()
{
    // Centring needs the window's frame and happens when it is first shown.
    m_closeTimer->start();
    m_animationTimer->start();
    m_conta = 1;
    // The first frame is drawn when the picture box is first painted: its lettering needs the font database,
    // whose loading would otherwise hold back the window's appearance. The browser discovery and the other frames
    // follow as soon as the window has been painted on screen, well before the first animation tick; whatever
    // closes the window first makes sure the discovery has run.
    m_picture->installEventFilter(this);
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_picture && event->type() == QEvent::Paint && !m_loadFinishing) {
        if (m_picture->pixmap().isNull()) {
            m_picture->setPixmap(frame(1)); // in time for this very paint
        }
        m_loadFinishing = true;
        QTimer::singleShot(0, this, &AboutWindow::finishLoad);
    }
    return QWidget::eventFilter(watched, event);
}

void AboutWindow::finishLoad()
{
    discoverBrowser();
    for (int number = 2; number <= AboutFrameCount; ++number) {
        frame(number);
    }
}

void AboutWindow::discoverBrowser()
{
    if (!m_discovered) {
        m_discovered = true;
        runBrowserDiscovery();
    }
}

QPixmap AboutWindow::frame(int number)
{
    QLabel* image = m_images[static_cast<std::size_t>(number - 1)];
    if (image->pixmap().isNull()) {
        image->setPixmap(aboutFrame(number, devicePixelRatioF()));
    }
    return image->pixmap();
}

void AboutWindow::nextFrame()
{
    ++m_conta;
    if (m_conta >= 1 && m_conta <= AboutFrameCount) {
        m_picture->setPixmap(frame(m_conta));
    }
    if (m_conta == AboutFrameCount) {
        m_conta = 0;
    }
}

void AboutWindow::closeToMainWindow()
{
    close(); // the close handling shows the main window
}

void AboutWindow::openHomePage()
{
    if (!close()) {
        return;
    }
    openInBrowser(HomePageAddress);
}

void AboutWindow::closeEvent(QCloseEvent* event)
{
    m_closeTimer->stop();
    m_animationTimer->stop();
    discoverBrowser(); // BrowserPath is known before the main window exists
    acceptClose(this, event, m_language, AfterClose::MainWindowBack);
}

} // namespace quorvel::ui
