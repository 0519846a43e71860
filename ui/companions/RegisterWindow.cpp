#include "ui/companions/RegisterWindow.h"

#include "core/FigureCoding.h"
#include "core/SharedState.h"
#include "ui/common/ClickableLabel.h"
#include "ui/common/Closing.h"
#include "ui/common/Editions.h"
#include "ui/common/FigureShapes.h"
#include "ui/common/Help.h"
#include "ui/common/Icons.h"
#include "ui/common/Palettes.h"
#include "ui/common/Twips.h"
#include "ui/common/Windows.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>

namespace quorvel::ui {

namespace {

// What one edition of the window has of its own besides its texts.
struct RegisterEdition
{
    const char* window;
    const char* labelPrefix; ///< the address labels are this and the figure's order number, 1 to 4
    const char* printItem;
    int clientWidth;
    int clientHeight;
    int helpTopic;
    int shiftUp; ///< how far every control stands above the Spanish places, in twips
};

constexpr EditionTable<RegisterEdition> Editions{
    .spanish =
        {
            .window = "frmReg_Cast",
            .labelPrefix = "lblReg_Ad",
            .printItem = "mnureg",
            .clientWidth = 9135,
            .clientHeight = 3570,
            .helpTopic = 100,
            .shiftUp = 0,
        },
    .english =
        {
            .window = "frmReg_Ang",
            .labelPrefix = "lblaReg_Ad",
            .printItem = "mnuregisters",
            .clientWidth = 9105,
            .clientHeight = 3450,
            .helpTopic = 101,
            .shiftUp = 120,
        },
};

constexpr int LabelLeft = 1560;
constexpr int LabelWidth = 7335;
constexpr int LabelHeight = 375;
constexpr std::array<int, 4> LabelTops = {720, 1440, 2160, 2880};
constexpr int OutlineWidth = 2;

// The figure beside each label, in twips (Spanish places), in the order of the figure kinds.
std::array<FigureOutline, 4> windowOutlines()
{
    return {
        FigureOutline::rectangle(QRectF(120, 600, 1215, 495)),
        FigureOutline::ellipse(QRectF(120, 1320, 1215, 495)),
        FigureOutline::polygon(QPolygonF({{720, 2040}, {120, 2520}, {1320, 2520}})),
        FigureOutline::polygon(QPolygonF({{480, 2880},
                                          {960, 2880},
                                          {1320, 3000},
                                          {1320, 3120},
                                          {960, 3240},
                                          {480, 3240},
                                          {120, 3120},
                                          {120, 3000}})),
    };
}

FigureOutline shifted(FigureOutline outline, qreal dy)
{
    outline.box.translate(0, dy);
    outline.corners.translate(0, dy);
    return outline;
}

// The figures of the printed page, in centimetres, in the order of the figure kinds.
std::array<FigureOutline, 4> pageOutlines()
{
    return {
        FigureOutline::rectangle(QRectF(QPointF(1.5, 1.5), QPointF(4.0, 2.5))),
        // centre (2.75, 4.0), radii 1.25 and 0.625
        FigureOutline::ellipse(QRectF(2.75 - 1.25, 4.0 - 0.625, 2.5, 1.25)),
        FigureOutline::polygon(QPolygonF({{1.5, 6.5}, {2.75, 5.5}, {4.0, 6.5}})),
        FigureOutline::polygon(QPolygonF(
            {{1.5, 7.85}, {2.33, 7.5}, {3.16, 7.5}, {4.0, 7.85}, {4.0, 8.15}, {3.16, 8.5}, {2.33, 8.5}, {1.5, 8.15}})),
    };
}

// Where the page's texts start, in centimetres (top-left of each text), in the order of the figure kinds.
constexpr std::array<std::array<double, 2>, 4> PageTextPositions = {
    {{4.5, 1.75}, {4.5, 3.75}, {4.5, 5.75}, {4.5, 7.75}}};

// Thin solid lines: 0.3 mm.
constexpr qreal PageLineWidthCm = 0.03;
constexpr qreal PageFontPoints = 12.0;

} // namespace

void drawRegisterPage(QPainter& painter, qreal dotsPerCm, const std::array<QString, 4>& texts)
{
    // The font size is in points, so the text is not scaled with the painter: only coordinates are.
    painter.setFont(arialFont(PageFontPoints));
    const qreal ascent = QFontMetricsF(painter.font(), painter.device()).ascent();
    QPen pen(Qt::black, PageLineWidthCm * dotsPerCm, Qt::SolidLine);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const std::array<FigureOutline, 4> outlines = pageOutlines();
    for (FigureKind kind : AllFigureKinds) {
        const std::size_t i = figureIndex(kind);
        drawFigureOutline(painter, outlines[i], dotsPerCm);
        const QPointF topLeft(PageTextPositions[i][0] * dotsPerCm, PageTextPositions[i][1] * dotsPerCm);
        painter.drawText(topLeft + QPointF(0, ascent), texts[i]);
    }
}

RegisterWindow::RegisterWindow(UiLanguage language)
    : m_language(language), m_texts(QStringLiteral("register"), language)
{
    const RegisterEdition& edition = Editions.edition(language);
    setupProgramWindow(this, QString::fromLatin1(edition.window), m_texts("caption"), WindowButtons::CloseOnly);
    useLightLook(this);
    closeOnEscape(this);

    setupControls();
    setupMenus();
    Help::bindF1(this, m_language, edition.helpTopic);
    load();
    // Shown again while loaded (the main window can come back beside it), it shows the name handed over now.
    connect(&Windows::instance(), &Windows::aboutToShow, this, [this](QWidget* window) {
        if (window == this) {
            showAddresses();
        }
    });
}

void RegisterWindow::setupControls()
{
    const RegisterEdition& edition = Editions.edition(m_language);
    auto* canvas = new FigureCanvas(this);
    canvas->setObjectName(QStringLiteral("client"));
    canvas->setFixedSize(px(edition.clientWidth), px(edition.clientHeight));
    setCentralWidget(canvas);

    const std::array<FigureOutline, 4> outlines = windowOutlines();
    for (FigureKind kind : AllFigureKinds) {
        const std::size_t i = figureIndex(kind);
        canvas->addOutline(shifted(outlines[i], -edition.shiftUp), OutlineWidth);
        auto* label = new QLabel(canvas);
        label->setObjectName(QString::fromLatin1(edition.labelPrefix) + QString::number(figureOrder(kind)));
        label->setGeometry(twipsRect(LabelLeft, LabelTops[i] - edition.shiftUp, LabelWidth, LabelHeight));
        label->setFont(arialFont(11.25, true));
        setTextColour(label, Colours::AddressBlue);
        offerAddress(label, m_language, [label] { return label->text(); }); // the whole register address
        m_labels[i] = label;
    }
}

void RegisterWindow::setupMenus()
{
    // One item straight on the menu bar, with no submenu.
    const RegisterEdition& edition = Editions.edition(m_language);
    QAction* print = menuBar()->addAction(m_texts("menu"));
    print->setObjectName(QString::fromLatin1(edition.printItem));
    connect(print, &QAction::triggered, this, [this] { printRegister(); });

    setClientSizeTwips(this, edition.clientWidth, edition.clientHeight);
}

void RegisterWindow::load()
{
    showAddresses();
}

void RegisterWindow::showAddresses()
{
    for (FigureKind kind : AllFigureKinds) {
        const std::size_t i = figureIndex(kind);
        m_labels[i]->setText(QString::fromStdString(RegisterAddresses[i]));
    }
}

PrintOutcome RegisterWindow::printRegister()
{
    // The texts as the labels show them at this moment.
    std::array<QString, 4> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        texts[i] = m_labels[i]->text();
    }
    return printPage(
        this, m_language, m_texts("document"), m_texts("pdfName"),
        [&texts](QPainter& painter, qreal dotsPerInch) { drawRegisterPage(painter, dotsPerInch / 2.54, texts); });
}

void RegisterWindow::closeEvent(QCloseEvent* event)
{
    acceptClose(this, event, m_language, AfterClose::MainWindowBack);
}

} // namespace quorvel::ui
