#include "ui/companions/RegisterWindow.h"

#include "core/FigureCoding.h"
#include "core/SharedState.h"
#include "ui/common/FigureShapes.h"
#include "ui/common/Help.h"
#include "ui/common/Icons.h"
#include "ui/common/Twips.h"
#include "ui/common/Windows.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>

namespace quorvel::ui {

namespace {

// Per edition: client area, help topic and how far every control stands above the Spanish places.
struct Edition
{
    int clientWidth;
    int clientHeight;
    int helpContext;
    int shiftUp;
};

constexpr Edition SpanishEdition{9135, 3570, 100, 0};
constexpr Edition EnglishEdition{9105, 3450, 101, 120};

constexpr int LabelLeft = 1560;
constexpr int LabelWidth = 7335;
constexpr int LabelHeight = 375;
constexpr std::array<int, 4> LabelTops = {720, 1440, 2160, 2880};
constexpr int OutlineWidth = 2;
constexpr QRgb LabelBlue = 0x0000C0;

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
        const QPointF topLeft(RegisterPageTextPositions[i][0] * dotsPerCm, RegisterPageTextPositions[i][1] * dotsPerCm);
        painter.drawText(topLeft + QPointF(0, ascent), texts[i]);
    }
}

RegisterWindow::RegisterWindow(UiLanguage language)
    : m_language(language), m_texts(QStringLiteral("register"), language)
{
    setupProgramWindow(this, m_texts("objName.window"), m_texts("caption"), WindowButtons::CloseOnly);

    setupControls();
    setupMenus();
    const Edition& edition = language == UiLanguage::Spanish ? SpanishEdition : EnglishEdition;
    Help::bindF1(this, m_language, edition.helpContext);
    load();
}

void RegisterWindow::setupControls()
{
    const Edition& edition = m_language == UiLanguage::Spanish ? SpanishEdition : EnglishEdition;
    auto* canvas = new FigureCanvas(this);
    canvas->setObjectName(QStringLiteral("client"));
    canvas->setFixedSize(px(edition.clientWidth), px(edition.clientHeight));
    setCentralWidget(canvas);

    const std::array<FigureOutline, 4> outlines = windowOutlines();
    for (FigureKind kind : AllFigureKinds) {
        const std::size_t i = figureIndex(kind);
        canvas->addOutline(shifted(outlines[i], -edition.shiftUp), OutlineWidth);
        auto* label = new QLabel(canvas);
        label->setObjectName(m_texts("objName.label") + QString::number(figureOrder(kind)));
        label->setGeometry(twipsRect(LabelLeft, LabelTops[i] - edition.shiftUp, LabelWidth, LabelHeight));
        label->setFont(arialFont(11.25, true));
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, QColor::fromRgb(LabelBlue));
        label->setPalette(palette);
        m_labels[i] = label;
    }
}

void RegisterWindow::setupMenus()
{
    // One item straight on the menu bar, with no submenu.
    QAction* print = menuBar()->addAction(m_texts("menu"));
    print->setObjectName(m_texts("objName.menu"));
    connect(print, &QAction::triggered, this, [this] { printRegister(); });

    const Edition& edition = m_language == UiLanguage::Spanish ? SpanishEdition : EnglishEdition;
    setClientSizeTwips(this, edition.clientWidth, edition.clientHeight);
}

void RegisterWindow::load()
{
    centreOnScreen(this);
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
    return Printing::printPage(this, m_language, m_texts("document"), m_texts("pdfName"),
                               [&texts](QPainter& painter, QPrinter& printer) {
                                   drawRegisterPage(painter, printer.resolution() / 2.54, texts);
                               });
}

void RegisterWindow::closeEvent(QCloseEvent* event)
{
    Windows::instance().unloadedBackToMain(this, m_language);
    event->accept();
}

} // namespace quorvel::ui
