#include "ui/main/MainWindow.h"

#include "core/NameRules.h"
#include "core/SharedState.h"
#include "launch/Browser.h"
#include "ui/common/ClickableLabel.h"
#include "ui/common/FigureShapes.h"
#include "ui/common/Help.h"
#include "ui/common/Icons.h"
#include "ui/common/NameBox.h"
#include "ui/common/SaveFavourite.h"
#include "ui/common/Twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace quorvel::ui {

namespace {

// A name that differs between the editions: Spanish first, English second.
struct Names
{
    const char* spanish;
    const char* english;

    QString of(UiLanguage language) const
    {
        return QString::fromLatin1(language == UiLanguage::Spanish ? spanish : english);
    }
};

enum class LabelStyle
{
    Title,       // Arial 26.25 pt bold underlined, red
    NameFrame,   // Arial 15.75 pt, blue
    PlainFrame,  // Arial 12 pt bold on grey
    FigureFrame, // Arial 8.25 pt bold on grey
};

struct StaticLabel
{
    Names name;
    const char* textKey;
    TwipsPlace spanish;
    TwipsPlace english;
    LabelStyle style;
};

// The fixed texts around the name box and the addresses.
constexpr StaticLabel StaticLabels[] = {
    {{"lblTitol", "lblaTitol"}, "title", {240, 120, 8775, 735}, {120, 120, 9015, 735}, LabelStyle::Title},
    {{"Label1", "Label1"}, "www", {2400, 1080, 735, 375}, {2400, 1080, 735, 375}, LabelStyle::NameFrame},
    {{"Label2", "Label2"}, "com", {6120, 1080, 735, 375}, {6120, 1080, 735, 375}, LabelStyle::NameFrame},
    {{"Label13", "Label11"}, "wwwSpaced", {2400, 1560, 735, 255}, {2400, 1560, 735, 255}, LabelStyle::PlainFrame},
    {{"Label12", "Label14"}, "comSpaced", {6120, 1560, 735, 255}, {6120, 1560, 735, 255}, LabelStyle::PlainFrame},
    {{"Label3", "Label3"}, "www", {360, 2400, 615, 255}, {360, 2400, 615, 255}, LabelStyle::FigureFrame},
    {{"Label4", "Label4"}, "com", {3480, 2400, 495, 255}, {3480, 2400, 495, 255}, LabelStyle::FigureFrame},
    {{"Label7", "Label7"}, "www", {5280, 2400, 615, 255}, {5280, 2400, 615, 255}, LabelStyle::FigureFrame},
    {{"Label8", "Label8"}, "com", {8400, 2400, 495, 255}, {8400, 2400, 495, 255}, LabelStyle::FigureFrame},
    {{"Label5", "Label5"}, "www", {600, 4080, 615, 255}, {600, 4080, 615, 255}, LabelStyle::FigureFrame},
    {{"Label6", "Label6"}, "com", {3240, 4080, 495, 255}, {3240, 4080, 495, 255}, LabelStyle::FigureFrame},
    {{"Label9", "Label9"}, "www", {5280, 3840, 615, 255}, {5280, 3840, 615, 255}, LabelStyle::FigureFrame},
    {{"Label10", "Label10"}, "com", {8400, 3840, 495, 255}, {8400, 3840, 495, 255}, LabelStyle::FigureFrame},
};

constexpr Names PlainLabelName = {"lblAdrecaCom", "lblaAdrecaCom"};
constexpr TwipsPlace PlainLabelBox = {3240, 1560, 2775, 255};

// The address label of each class of figure, in the order of FigureKind.
constexpr Names FigureLabelNames[] = {
    {"lblAdreca1", "lblaAdreca1"},
    {"lblAdreca2", "lblaAdreca2"},
    {"lblAdreca3", "lblaAdreca3"},
    {"lblAdreca4", "lblaAdreca4"},
};
constexpr TwipsPlace FigureLabelBoxes[] = {
    {1080, 2400, 2295, 255},
    {6000, 2400, 2295, 255},
    {1200, 4080, 2055, 255},
    {6000, 3840, 2295, 255},
};

// The save commands Command4 to Command7, in the order of FigureKind.
constexpr TwipsPlace SaveBoxes[] = {
    {1440, 3000, 1575, 255},
    {6360, 3000, 1575, 255},
    {1440, 4560, 1575, 255},
    {6360, 4560, 1575, 255},
};

// Help context numbers of the controls and items that carry one in an edition (0: none).
struct HelpContexts
{
    int spanish;
    int english;

    int of(UiLanguage language) const { return language == UiLanguage::Spanish ? spanish : english; }
};

// Keyboard focus order of each edition, by command number; 0 is the name box.
constexpr int SpanishFocusOrder[] = {0, 1, 2, 3, 4, 5, 6, 7};
constexpr int EnglishFocusOrder[] = {3, 2, 1, 0, 7, 6, 5, 4};

constexpr QRgb Red = 0xFF0000;
constexpr QRgb Blue = 0x0000FF;
constexpr QRgb Grey = 0xC0C0C0;

void setHelpContext(QObject* object, int context)
{
    if (context != 0) {
        object->setProperty("helpContext", context);
    }
}

void colour(QWidget* widget, QRgb text, std::optional<QRgb> background = std::nullopt)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(text));
    if (background) {
        palette.setColor(QPalette::Window, QColor::fromRgb(*background));
        widget->setAutoFillBackground(true);
    }
    widget->setPalette(palette);
}

// The four outlines, in twips, in the order of FigureKind; lines 3 pixels wide.
std::array<FigureOutline, 4> figureOutlines()
{
    return {
        FigureOutline::rectangle(QRectF(120, 2160, 4095, 735)),
        FigureOutline::ellipse(QRectF(5040, 2160, 4095, 735)),
        FigureOutline::polygon(QPolygonF({QPointF(0, 4440), QPointF(2280, 3480), QPointF(4440, 4440)})),
        FigureOutline::polygon(
            QPolygonF({QPointF(5040, 3840), QPointF(6360, 3480), QPointF(7920, 3480), QPointF(9120, 3840),
                       QPointF(9120, 4080), QPointF(7920, 4440), QPointF(6360, 4440), QPointF(5040, 4080)})),
    };
}

constexpr int OutlineWidth = 3;
constexpr int ClientWidth = 9285;
constexpr int ClientHeight = 4995;

} // namespace

MainWindow::MainWindow(UiLanguage language, QWidget* parent)
    : QMainWindow(parent), m_language(language), m_texts(QStringLiteral("main"), language)
{
    setupProgramWindow(this, Names{"frmPrin_Cast", "frmPrin_Ang"}.of(language), m_texts("caption"),
                       WindowButtons::MinimiseAndClose);

    setupControls();
    setupMenus();
    setupFocusOrder();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    restoreName();
}

void MainWindow::setupControls()
{
    auto* canvas = new FigureCanvas(this);
    canvas->setObjectName(QStringLiteral("figureCanvas"));
    canvas->setFixedSize(px(ClientWidth), px(ClientHeight));
    for (const FigureOutline& outline : figureOutlines()) {
        canvas->addOutline(outline, OutlineWidth);
    }
    setCentralWidget(canvas);

    for (const StaticLabel& fixed : StaticLabels) {
        auto* label = new QLabel(m_texts(fixed.textKey), canvas);
        label->setObjectName(fixed.name.of(m_language));
        label->setGeometry(twipsRect(m_language == UiLanguage::Spanish ? fixed.spanish : fixed.english));
        label->setAlignment(Qt::AlignCenter);
        switch (fixed.style) {
        case LabelStyle::Title:
            label->setFont(arialFont(26.25, true, true));
            colour(label, Red);
            break;
        case LabelStyle::NameFrame:
            label->setFont(arialFont(15.75));
            colour(label, Blue);
            break;
        case LabelStyle::PlainFrame:
            label->setFont(arialFont(12, true));
            colour(label, Qt::black, Grey);
            break;
        case LabelStyle::FigureFrame:
            label->setFont(arialFont(8.25, true));
            colour(label, Qt::black, Grey);
            break;
        }
    }

    m_nameBox = new QLineEdit(canvas);
    m_nameBox->setObjectName(Names{"txtAdreca", "txtaAdreca"}.of(m_language));
    m_nameBox->setGeometry(twipsRect(3240, 1080, 2775, 375));
    m_nameBox->setFont(arialFont(14.25));
    m_nameBox->setMaxLength(32767); // no limit of its own: the name rules cut long texts, with their notice
    m_nameBox->installEventFilter(this);

    const QString placeholder = m_texts("placeholder");
    auto makeAddressLabel = [&](const QString& name, const TwipsPlace& box) {
        auto* label = new ClickableLabel(canvas);
        label->setObjectName(name);
        label->setGeometry(twipsRect(box));
        label->setFont(arialFont(9.75, true));
        label->setText(placeholder);
        label->setTextFormat(Qt::PlainText);
        styleAsAddress(label);
        return label;
    };
    m_plainLabel = makeAddressLabel(PlainLabelName.of(m_language), PlainLabelBox);
    connect(m_plainLabel, &ClickableLabel::clicked, this, &MainWindow::openPlainAddress);
    for (const FigureKind kind : AllFigureKinds) {
        const std::size_t i = figureIndex(kind);
        m_figureLabels[i] = makeAddressLabel(FigureLabelNames[i].of(m_language), FigureLabelBoxes[i]);
        connect(m_figureLabels[i], &ClickableLabel::clicked, this, [this, kind] { openFigureAddress(kind); });
    }

    auto makeCommand = [&](int number, const TwipsPlace& box, const QString& caption, const QString& tip) {
        auto* button = new QPushButton(caption, canvas);
        button->setObjectName(QStringLiteral("Command%1").arg(number));
        button->setGeometry(twipsRect(box));
        button->setFont(arialFont(8.25));
        button->setToolTip(tip);
        button->setAutoDefault(false);
        m_commands[static_cast<std::size_t>(number)] = button;
        return button;
    };
    QPushButton* favourites = makeCommand(3, {240, 1200, 1935, 375}, m_texts("favourites"), m_texts("favouritesTip"));
    setHelpContext(favourites, HelpContexts{200, 0}.of(m_language));
    connect(favourites, &QPushButton::clicked, this, [this] { goTo(WindowRole::Favourites); });

    QPushButton* registers = makeCommand(2, {7080, 1200, 1935, 375}, m_texts("register"), m_texts("registerTip"));
    setHelpContext(registers, HelpContexts{100, 0}.of(m_language));
    connect(registers, &QPushButton::clicked, this, &MainWindow::showRegister);

    QPushButton* symbology = makeCommand(1, {4320, 3000, 615, 615}, QString(), m_texts("symbologyTip"));
    symbology->setIcon(resourceIcon("symbology"));
    symbology->setIconSize(QSize(px(615) - 8, px(615) - 8));
    connect(symbology, &QPushButton::clicked, this, [this] { goTo(WindowRole::Symbology); });

    for (const FigureKind kind : AllFigureKinds) {
        const std::size_t i = figureIndex(kind);
        QPushButton* save = makeCommand(4 + static_cast<int>(i), SaveBoxes[i], m_texts("save"), m_texts("saveTip"));
        connect(save, &QPushButton::clicked, this, [this, kind] { this->save(kind); });
    }

    m_rules = new NameBox(m_nameBox, m_language, NameBox::NoticeStyle::Standard,
                          [this](const QString& finalText) { nameValidated(finalText); });
}

void MainWindow::setupMenus()
{
    QMenuBar* bar = menuBar();
    auto addMenu = [&](const Names& name, const char* textKey) {
        QMenu* menu = bar->addMenu(m_texts(textKey));
        menu->setObjectName(name.of(m_language));
        menu->menuAction()->setObjectName(name.of(m_language));
        return menu;
    };
    auto addItem = [&](QMenu* menu, const Names& name, const char* textKey, const QString& shortcut, HelpContexts help,
                       auto handler) {
        QAction* action = menu->addAction(m_texts(textKey));
        action->setObjectName(name.of(m_language));
        if (!shortcut.isEmpty()) {
            action->setShortcut(QKeySequence(shortcut));
            action->setShortcutContext(Qt::WindowShortcut);
            m_menuShortcuts << action->shortcut();
        }
        setHelpContext(action, help.of(m_language));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    auto addSeparator = [&](QMenu* menu, const char* name) {
        QAction* separator = menu->addSeparator();
        separator->setObjectName(QString::fromLatin1(name));
    };

    QMenu* options = addMenu({"mnuopciones", "mnuoptions"}, "mnuOptions");
    addItem(options, {"mnusimbologia", "mnusimbology"}, "mnuSymbology", {}, {400, 0},
            [this] { goTo(WindowRole::Symbology); });
    addItem(options, {"mnuregistro", "mnuregister"}, "mnuRegister", {}, {100, 0}, [this] { showRegister(); });
    addSeparator(options, "mnulin1");
    addItem(options, {"mnufavoritos", "mnufavorite"}, "mnuFavourites", QStringLiteral("Ctrl+F"), {200, 0},
            [this] { goTo(WindowRole::Favourites); });
    addItem(options, {"mnuformred", "mnureduced"}, "mnuReduced", QStringLiteral("Ctrl+R"), {0, 0},
            [this] { goTo(WindowRole::Reduced); });
    addSeparator(options, "mnulin2");
    addItem(options, {"mnusalir", "mnuexit"}, "mnuExit", m_texts("exitShortcut"), {0, 0},
            [] { Windows::instance().endProgram(); });

    QMenu* languageMenu = addMenu({"mnuidioma", "mnuidioma"}, "mnuLanguage");
    addItem(languageMenu, {"mnuenglish", "mnuespanol"}, "mnuOtherLanguage", {}, {200, 100},
            [this] { switchLanguage(); });

    QMenu* help = addMenu({"mnuayuda", "mnuhelp"}, "mnuHelp");
    addItem(help, {"mnuuayuda", "mnuhelpe"}, "mnuHelpContents", QStringLiteral("F1"), {0, 0},
            [this] { Help::showContents(this, m_language); });
    addItem(help, {"mnuaysobre", "mnuhab"}, "mnuHelpSearch", {}, {0, 0},
            [this] { Help::showSearch(this, m_language); });
    addSeparator(help, "mnulin3");
    addItem(help, {"mnucreditos", "mnuAbout"}, "mnuAbout", {}, {0, 0},
            [this] { Windows::instance().show(WindowRole::About, m_language); });
}

void MainWindow::setupFocusOrder()
{
    std::vector<QWidget*> order;
    for (const int number : m_language == UiLanguage::Spanish ? SpanishFocusOrder : EnglishFocusOrder) {
        order.push_back(number == 0 ? static_cast<QWidget*>(m_nameBox) : m_commands[static_cast<std::size_t>(number)]);
    }
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
    order.front()->setFocus(Qt::OtherFocusReason);
}

void MainWindow::restoreName()
{
    // A change of the box: the labels follow through the name box's change handling.
    m_nameBox->setText(QString::fromStdString(CurrentName));
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_centred) {
        m_centred = true;
        centreOnScreen(this);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The menu shortcuts win over the name box's own editing keys (Ctrl+E is "end of line" in some key schemes).
    if (watched == m_nameBox && event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (const QKeySequence& shortcut : std::as_const(m_menuShortcuts)) {
            if (shortcut.matches(pressed) == QKeySequence::ExactMatch) {
                return true; // not accepted: the shortcut map gets the key
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::nameValidated(const QString& finalText)
{
    const std::string name = asciiLower(finalText.toStdString());
    CurrentName = name;
    const QString caption = name.empty() ? m_texts("placeholder") : QString::fromStdString(name);
    m_plainLabel->setText(caption);
    for (ClickableLabel* label : m_figureLabels) {
        label->setText(caption);
    }
}

void MainWindow::openFigureAddress(FigureKind kind)
{
    const QString caption = m_figureLabels[figureIndex(kind)]->text();
    if (caption == m_texts("placeholder")) {
        return;
    }
    openInBrowser(figureAddress(kind, caption.toStdString()));
}

void MainWindow::openPlainAddress()
{
    const QString caption = m_plainLabel->text();
    if (caption == m_texts("placeholder")) {
        return;
    }
    openInBrowser(plainAddress(caption.toStdString()));
}

void MainWindow::showRegister()
{
    for (const FigureKind kind : AllFigureKinds) {
        RegisterAddresses[figureIndex(kind)] =
            registerAddress(kind, m_figureLabels[figureIndex(kind)]->text().toStdString());
    }
    goTo(WindowRole::Register);
}

void MainWindow::save(FigureKind kind)
{
    saveFavourite(this, m_language, kind, QString::fromStdString(CurrentName));
}

void MainWindow::goTo(WindowRole role)
{
    // The main window gives way only to a window that is really there; otherwise closing it would end the run.
    if (Windows::instance().show(role, m_language) != nullptr) {
        close();
    }
}

void MainWindow::switchLanguage()
{
    const UiLanguage other = m_language == UiLanguage::Spanish ? UiLanguage::English : UiLanguage::Spanish;
    if (Windows::instance().show(WindowRole::Main, other) != nullptr) {
        close();
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closing the main window runs no handling of its own beyond leaving the registry.
    Windows::instance().unloaded(this);
    event->accept();
}

} // namespace quorvel::ui
