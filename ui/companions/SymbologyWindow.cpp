#include "ui/companions/SymbologyWindow.h"

#include "ui/common/Closing.h"
#include "ui/common/Editions.h"
#include "ui/common/FigureShapes.h"
#include "ui/common/Help.h"
#include "ui/common/Icons.h"
#include "ui/common/Palettes.h"
#include "ui/common/Twips.h"
#include "ui/common/Windows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace quorvel::ui {

namespace {

// What one edition of the window has of its own besides its texts: names, client area, help topic and the
// places of the example address labels and of the sentence labels (twips).
struct SymbologyEdition
{
    const char* window;
    const char* printItem;
    int clientWidth;
    int clientHeight;
    int helpTopic;
    TwipsPlace example1;    // Label6, row 1
    TwipsPlace example2;    // Label7, row 2
    TwipsPlace example4;    // Label5 index 1, row 4
    TwipsPlace exampleWww;  // Label5 index 2, row 3: "www."
    TwipsPlace exampleRest; // Label5 index 0, row 3: the rest
    std::array<TwipsPlace, 4> sentences;
};

constexpr EditionTable<SymbologyEdition> Editions{
    .spanish =
        {
            .window = "frmSimb_Cast",
            .printItem = "mnuimprsimb",
            .clientWidth = 6465,
            .clientHeight = 5265,
            .helpTopic = 400,
            .example1 = {240, 600, 1335, 255},
            .example2 = {240, 1800, 1335, 255},
            .example4 = {240, 4560, 1335, 255},
            .exampleWww = {720, 3120, 495, 255},
            .exampleRest = {480, 3360, 975, 255},
            .sentences =
                {{{1920, 360, 2175, 615}, {1920, 1560, 2175, 735}, {1920, 2880, 2175, 615}, {1920, 4320, 2055, 975}}},
        },
    .english =
        {
            .window = "frmSimb_Ang",
            .printItem = "mnuPrint",
            .clientWidth = 6450,
            .clientHeight = 5250,
            .helpTopic = 404,
            .example1 = {360, 600, 1215, 255},
            .example2 = {360, 1800, 1215, 255},
            .example4 = {360, 4560, 1215, 255},
            .exampleWww = {720, 3120, 495, 255},
            .exampleRest = {600, 3360, 735, 255},
            .sentences =
                {{{1920, 360, 2175, 615}, {1800, 1560, 2295, 735}, {1920, 2880, 2175, 615}, {1920, 4320, 2055, 735}}},
        },
};

constexpr int RowOutlineWidth = 3;
constexpr int SampleOutlineWidth = 2;
constexpr int PanelLeft = 4200;
constexpr int PanelWidth = 2175;
constexpr int PanelHeight = 1215;
constexpr std::array<int, 4> PanelTops = {0, 1320, 2640, 3960};
constexpr qreal DefaultFontPoints = 7.5; // the sentences fit their labels as in the original layout
// One screen pixel of the window is 15 twips, 1/96 inch.
constexpr qreal ScreenDotsPerInch = 96.0;

// The row figures, in twips, in the order of the figure kinds.
std::array<FigureOutline, 4> rowOutlines()
{
    return {
        FigureOutline::rectangle(QRectF(120, 480, 1575, 495)),
        FigureOutline::ellipse(QRectF(120, 1560, 1575, 735)),
        FigureOutline::polygon(QPolygonF({{120, 3600}, {960, 2760}, {1800, 3600}})),
        FigureOutline::polygon(QPolygonF({{120, 4560},
                                          {480, 4320},
                                          {1320, 4320},
                                          {1680, 4560},
                                          {1680, 4800},
                                          {1320, 5040},
                                          {480, 5040},
                                          {120, 4800}})),
    };
}

// The sample figures of each panel, in twips relative to the panel.
std::array<std::vector<FigureOutline>, 4> sampleOutlines()
{
    return {{
        {FigureOutline::rectangle(QRectF(120, 120, 855, 375)), FigureOutline::rectangle(QRectF(1320, 120, 495, 375)),
         FigureOutline::polygon(QPolygonF({{480, 600}, {840, 840}, {480, 1080}, {120, 840}})),
         FigureOutline::polygon(QPolygonF({{1080, 960}, {2040, 960}, {1800, 720}, {1320, 720}}))},
        {FigureOutline::ellipse(QRectF(120, 120, 1095, 375)), FigureOutline::ellipse(QRectF(1440, 120, 615, 495))},
        {FigureOutline::polygon(QPolygonF({{840, 600}, {1440, 120}, {2040, 600}})),
         FigureOutline::polygon(QPolygonF({{120, 480}, {120, 960}, {1440, 960}}))},
        {FigureOutline::polygon(QPolygonF(
             {{120, 240}, {600, 120}, {1320, 120}, {1800, 240}, {1800, 480}, {1320, 600}, {600, 600}, {120, 480}})),
         FigureOutline::polygon(
             QPolygonF({{480, 840}, {1680, 840}, {2040, 960}, {1680, 1080}, {480, 1080}, {960, 960}}))},
    }};
}

QLabel* addLabel(QWidget* parent, const QString& name, const QString& text, const QRect& geometry,
                 Qt::Alignment alignment)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    label->setFont(arialFont(DefaultFontPoints));
    label->setAlignment(alignment);
    return label;
}

} // namespace

QImage handDrawnEllipse(qreal devicePixelRatio)
{
    // A pencil ellipse drawn in one stroke: the radius wanders a little and the end overshoots the start. It is
    // 66 x 32 pixels on a screen of ordinary density, drawn with as many device pixels as the screen has.
    const qreal ratio = qMax<qreal>(devicePixelRatio, 1.0);
    QImage image(QSize(qCeil(66 * ratio), qCeil(32 * ratio)), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPointF centre(33.0, 16.0);
        QPainterPath stroke;
        constexpr int Steps = 120;
        constexpr double Sweep = 2.15 * std::numbers::pi;
        for (int i = 0; i <= Steps; ++i) {
            const double t = -0.4 + Sweep * i / Steps;
            const double wobble = 1.0 + 0.05 * std::sin(3.0 * t + 0.7) + 0.03 * std::sin(7.0 * t);
            const double drift = 1.5 * i / Steps; // the hand drifts outwards over the stroke
            const QPointF point(centre.x() + (29.0 - drift) * wobble * std::cos(t),
                                centre.y() + (12.5 - drift / 2) * wobble * std::sin(t) + 0.8 * std::sin(t / 2));
            if (i == 0) {
                stroke.moveTo(point);
            } else {
                stroke.lineTo(point);
            }
        }
        painter.setPen(QPen(QColor(70, 70, 70), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(stroke);
        painter.setPen(QPen(QColor(150, 150, 150), 0.8));
        painter.drawPath(stroke.translated(0.6, 0.5)); // a second, lighter trace beside the first
    }
    return image.convertToFormat(QImage::Format_Grayscale8);
}

SymbologyWindow::SymbologyWindow(UiLanguage language)
    : m_language(language), m_texts(QStringLiteral("symbology"), language)
{
    const SymbologyEdition& edition = Editions.edition(language);
    setupProgramWindow(this, QString::fromLatin1(edition.window), m_texts("caption"), WindowButtons::CloseOnly);
    useLightLook(this);
    closeOnEscape(this);

    setupControls();
    setupMenus();
    Help::bindF1(this, m_language, edition.helpTopic);
}

void SymbologyWindow::setupControls()
{
    const SymbologyEdition& edition = Editions.edition(m_language);
    auto* canvas = new FigureCanvas(this);
    canvas->setObjectName(QStringLiteral("client"));
    canvas->setFixedSize(px(edition.clientWidth), px(edition.clientHeight));
    setBackground(canvas, Colours::PanelGrey);
    setCentralWidget(canvas);

    for (const FigureOutline& outline : rowOutlines()) {
        canvas->addOutline(outline, RowOutlineWidth);
    }

    // The example address inside each row's figure; Label5 is a group of three told apart by "index".
    const QString example = m_texts("example");
    addLabel(canvas, QStringLiteral("Label6"), example, twipsRect(edition.example1), Qt::AlignCenter);
    addLabel(canvas, QStringLiteral("Label7"), example, twipsRect(edition.example2), Qt::AlignCenter);
    const QString label5 = QStringLiteral("Label5");
    addLabel(canvas, label5, m_texts("example.rest"), twipsRect(edition.exampleRest), Qt::AlignCenter)
        ->setProperty("index", 0);
    addLabel(canvas, label5, example, twipsRect(edition.example4), Qt::AlignCenter)->setProperty("index", 1);
    addLabel(canvas, label5, m_texts("example.www"), twipsRect(edition.exampleWww), Qt::AlignCenter)
        ->setProperty("index", 2);

    const std::array<std::vector<FigureOutline>, 4> samples = sampleOutlines();
    for (std::size_t i = 0; i < 4; ++i) {
        const QString row = QString::number(i + 1);
        addLabel(canvas, QStringLiteral("Label") + row, m_texts(("sentence" + std::to_string(i + 1)).c_str()),
                 twipsRect(edition.sentences[i]), Qt::AlignLeft | Qt::AlignTop)
            ->setWordWrap(true);

        auto* panel = new FigureCanvas(canvas);
        panel->setObjectName(QStringLiteral("Picture") + row);
        panel->setGeometry(twipsRect(PanelLeft, PanelTops[i], PanelWidth, PanelHeight));
        setBackground(panel, Colours::White);
        for (const FigureOutline& outline : samples[i]) {
            panel->addOutline(outline, SampleOutlineWidth);
        }
        if (i == 1) {
            auto* picture = new QLabel(panel);
            picture->setObjectName(QStringLiteral("Image1"));
            picture->setGeometry(twipsRect(600, 600, 990, 480));
            picture->setPixmap(QPixmap::fromImage(handDrawnEllipse(devicePixelRatioF())));
            auto* blank = new QLabel(panel);
            blank->setObjectName(QStringLiteral("Label8"));
            blank->setGeometry(twipsRect(720, 840, 615, 135));
            setBackground(blank, lightLook().color(QPalette::Base)); // the window's own background colour
        }
    }
}

void SymbologyWindow::setupMenus()
{
    const SymbologyEdition& edition = Editions.edition(m_language);
    QAction* print = menuBar()->addAction(m_texts("menu"));
    print->setObjectName(QString::fromLatin1(edition.printItem));
    connect(print, &QAction::triggered, this, [this] { printWindow(); });

    setClientSizeTwips(this, edition.clientWidth, edition.clientHeight);
}

PrintOutcome SymbologyWindow::printWindow()
{
    // The client area as it appears, without caption and menu bars, at its on-screen size.
    const QPixmap image = centralWidget()->grab();
    return printPage(this, m_language, m_texts("document"), m_texts("pdfName"),
                     [&image](QPainter& painter, qreal dotsPerInch) {
                         const qreal scale = dotsPerInch / ScreenDotsPerInch;
                         const QSizeF size = image.deviceIndependentSize() * scale;
                         // Flat colours and fine outlines: a lossy JPEG would blur them.
                         painter.setRenderHint(QPainter::LosslessImageRendering);
                         painter.drawPixmap(QRectF(QPointF(0, 0), size), image, QRectF(image.rect()));
                     });
}

void SymbologyWindow::closeEvent(QCloseEvent* event)
{
    acceptClose(this, event, m_language, AfterClose::MainWindowBack);
}

} // namespace quorvel::ui
