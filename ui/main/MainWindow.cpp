#include "ui/main/MainWindow.h"

#include "core/NameRules.h"
#include "core/SharedState.h"
#include "launch/Browser.h"
#include "ui/common/ClickableLabel.h"
#include "ui/common/Closing.h"
#include "ui/common/CurrentNameSignal.h"
#include "ui/common/Editions.h"
#include "ui/common/FigureShapes.h"
#include "ui/common/Help.h"
#include "ui/common/Icons.h"
#include "ui/common/NameBox.h"
#include "ui/common/Palettes.h"
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

enum class LabelStyle
{
    Title,       // Arial 26.25 pt bold underlined, red
    NameFrame,   // Arial 15.75 pt, blue
    PlainFrame,  // Arial 12 pt bold on grey
    FigureFrame, // Arial 8.25 pt bold on grey
};

// A fixed text around the name box and the addresses.
struct FixedLabel
{
    const char* name;
    const char* textKey;
    TwipsPlace place;
    LabelStyle style;
};

// A menu item: its object name and its help topic in the edition (0: none).
struct MenuItem
{
    const char* name;
    int helpTopic = 0;
};

// The controls that take the keyboard focus, in the order of the Spanish edition.
enum class Focusable
{
    NameBox,
    SymbologyCommand,  // Command1
    RegisterCommand,   // Command2
    FavouritesCommand, // Command3
    SaveFourSided,     // Command4
    SaveRound,         // Command5
    SaveThreeSided,    // Command6
    SaveManySided,     // Command7
};

// What one edition of the main window has of its own.
struct MainEdition
{
    const char* window;
    const char* nameBox;
    const char* plainLabel;
    std::array<const char*, 4> figureLabels; // in the order of FigureKind
    std::array<FixedLabel, 13> fixedLabels;
    int favouritesCommandHelp;
    int registerCommandHelp;
    struct
    {
        MenuItem options, symbology, registers, favourites, reduced, availability, exit;
        MenuItem language, otherLanguage;
        MenuItem help, helpContents, helpSearch, about;
    } menu;
    std::array<Focusable, 8> focusOrder;
    UiLanguage otherLanguage; // the edition the language menu switches to
};

constexpr EditionTable<MainEdition> Editions{
    .spanish =
        {
            .window = "frmPrin_Cast",
            .nameBox = "txtAdreca",
            .plainLabel = "lblAdrecaCom",
            .figureLabels = {"lblAdreca1", "lblAdreca2", "lblAdreca3", "lblAdreca4"},
            .fixedLabels = {{
                {"lblTitol", "title", {240, 120, 8775, 735}, LabelStyle::Title},
                {"Label1", "www", {2400, 1080, 735, 375}, LabelStyle::NameFrame},
                {"Label2", "com", {6120, 1080, 735, 375}, LabelStyle::NameFrame},
                {"Label13", "wwwSpaced", {2400, 1560, 735, 255}, LabelStyle::PlainFrame},
                {"Label12", "comSpaced", {6120, 1560, 735, 255}, LabelStyle::PlainFrame},
                {"Label3", "www", {360, 2400, 615, 255}, LabelStyle::FigureFrame},
                {"Label4", "com", {3480, 2400, 495, 255}, LabelStyle::FigureFrame},
                {"Label7", "www", {5280, 2400, 615, 255}, LabelStyle::FigureFrame},
                {"Label8", "com", {8400, 2400, 495, 255}, LabelStyle::FigureFrame},
                {"Label5", "www", {600, 4080, 615, 255}, LabelStyle::FigureFrame},
                {"Label6", "com", {3240, 4080, 495, 255}, LabelStyle::FigureFrame},
                {"Label9", "www", {5280, 3840, 615, 255}, LabelStyle::FigureFrame},
                {"Label10", "com", {8400, 3840, 495, 255}, LabelStyle::FigureFrame},
            }},
            .favouritesCommandHelp = 200,
            .registerCommandHelp = 100,
            .menu =
                {
                    .options = {"mnuopciones"},
                    .symbology = {"mnusimbologia", 400},
                    .registers = {"mnuregistro", 100},
                    .favourites = {"mnufavoritos", 200},
                    .reduced = {"mnuformred"},
                    .availability = {"mnudisponibilidad"},
                    .exit = {"mnusalir"},
                    .language = {"mnuidioma"},
                    .otherLanguage = {"mnuenglish", 200},
                    .help = {"mnuayuda"},
                    .helpContents = {"mnuuayuda"},
                    .helpSearch = {"mnuaysobre"},
                    .about = {"mnucreditos"},
                },
            .focusOrder = {Focusable::NameBox, Focusable::SymbologyCommand, Focusable::RegisterCommand,
                           Focusable::FavouritesCommand, Focusable::SaveFourSided, Focusable::SaveRound,
                           Focusable::SaveThreeSided, Focusable::SaveManySided},
            .otherLanguage = UiLanguage::English,
        },
    .english =
        {
            .window = "frmPrin_Ang",
            .nameBox = "txtaAdreca",
            .plainLabel = "lblaAdrecaCom",
            .figureLabels = {"lblaAdreca1", "lblaAdreca2", "lblaAdreca3", "lblaAdreca4"},
            .fixedLabels = {{
                {"lblaTitol", "title", {120, 120, 9015, 735}, LabelStyle::Title},
                {"Label1", "www", {2400, 1080, 735, 375}, LabelStyle::NameFrame},
                {"Label2", "com", {6120, 1080, 735, 375}, LabelStyle::NameFrame},
                {"Label11", "wwwSpaced", {2400, 1560, 735, 255}, LabelStyle::PlainFrame},
                {"Label14", "comSpaced", {6120, 1560, 735, 255}, LabelStyle::PlainFrame},
                {"Label3", "www", {360, 2400, 615, 255}, LabelStyle::FigureFrame},
                {"Label4", "com", {3480, 2400, 495, 255}, LabelStyle::FigureFrame},
                {"Label7", "www", {5280, 2400, 615, 255}, LabelStyle::FigureFrame},
                {"Label8", "com", {8400, 2400, 495, 255}, LabelStyle::FigureFrame},
                {"Label5", "www", {600, 4080, 615, 255}, LabelStyle::FigureFrame},
                {"Label6", "com", {3240, 4080, 495, 255}, LabelStyle::FigureFrame},
                {"Label9", "www", {5280, 3840, 615, 255}, LabelStyle::FigureFrame},
                {"Label10", "com", {8400, 3840, 495, 255}, LabelStyle::FigureFrame},
            }},
            .favouritesCommandHelp = 0,
            .registerCommandHelp = 0,
            .menu =
                {
                    .options = {"mnuoptions"},
                    .symbology = {"mnusimbology"},
                    .registers = {"mnuregister"},
                    .favourites = {"mnufavorite"},
                    .reduced = {"mnureduced"},
                    .availability = {"mnuavailability"},
                    .exit = {"mnuexit"},
                    .language = {"mnuidioma"},
                    .otherLanguage = {"mnuespanol", 100},
                    .help = {"mnuhelp"},
                    .helpContents = {"mnuhelpe"},
                    .helpSearch = {"mnuhab"},
                    .about = {"mnuAbout"},
                },
            .focusOrder = {Focusable::FavouritesCommand, Focusable::RegisterCommand, Focusable::SymbologyCommand,
                           Focusable::NameBox, Focusable::SaveManySided, Focusable::SaveThreeSided,
                           Focusable::SaveRound, Focusable::SaveFourSided},
            .otherLanguage = UiLanguage::Spanish,
        },
};

// The places both editions share, in twips.
constexpr TwipsPlace NameBoxPlace = {3240, 1080, 2775, 375};
constexpr TwipsPlace PlainLabelPlace = {3240, 1560, 2775, 255};
constexpr TwipsPlace FigureLabelPlaces[] = {
    {1080, 2400, 2295, 255},
    {6000, 2400, 2295, 255},
    {1200, 4080, 2055, 255},
    {6000, 3840, 2295, 255},
};
constexpr TwipsPlace SymbologyCommandPlace = {4320, 3000, 615, 615};
constexpr TwipsPlace RegisterCommandPlace = {7080, 1200, 1935, 375};
constexpr TwipsPlace FavouritesCommandPlace = {240, 1200, 1935, 375};
constexpr TwipsPlace SavePlaces[] = {
    {1440, 3000, 1575, 255},
    {6360, 3000, 1575, 255},
    {1440, 4560, 1575, 255},
    {6360, 4560, 1575, 255},
};

// What a screen reader calls each save command, in the order of FigureKind.
constexpr const char* SaveAccessibleNames[] = {"saveName1", "saveName2", "saveName3", "saveName4"};

QString latin1(const char* name)
{
    return QString::fromLatin1(name);
}

void setHelpTopic(QObject* object, int topic)
{
    if (topic != 0) {
        object->setProperty("helpContext", topic);
    }
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
    setupProgramWindow(this, latin1(Editions.edition(language).window), m_texts("caption"),
                       WindowButtons::MinimiseAndClose);
    useLightLook(this);

    setupControls();
    setupMenus();
    setupFocusOrder();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    Help::bindF1(this, m_language, 0); // F1 on an item without a topic opens the contents
    restoreName();
}

void MainWindow::setupControls()
{
    const MainEdition& edition = Editions.edition(m_language);
    auto* canvas = new FigureCanvas(this);
    canvas->setObjectName(QStringLiteral("figureCanvas"));
    canvas->setFixedSize(px(ClientWidth), px(ClientHeight));
    for (const FigureOutline& outline : figureOutlines()) {
        canvas->addOutline(outline, OutlineWidth);
    }
    setCentralWidget(canvas);

    for (const FixedLabel& fixed : edition.fixedLabels) {
        auto* label = new QLabel(m_texts(fixed.textKey), canvas);
        label->setObjectName(latin1(fixed.name));
        label->setGeometry(twipsRect(fixed.place));
        label->setAlignment(Qt::AlignCenter);
        switch (fixed.style) {
        case LabelStyle::Title:
            label->setFont(arialFont(26.25, true, true));
            setTextColour(label, Colours::TitleRed);
            break;
        case LabelStyle::NameFrame:
            label->setFont(arialFont(15.75));
            setTextColour(label, Colours::FrameBlue);
            break;
        case LabelStyle::PlainFrame:
            label->setFont(arialFont(12, true));
            setTextColour(label, Colours::Black);
            setBackground(label, Colours::PanelGrey);
            break;
        case LabelStyle::FigureFrame:
            label->setFont(arialFont(8.25, true));
            setTextColour(label, Colours::Black);
            setBackground(label, Colours::PanelGrey);
            break;
        }
    }

    m_nameBox = new QLineEdit(canvas);
    m_nameBox->setObjectName(latin1(edition.nameBox));
    m_nameBox->setGeometry(twipsRect(NameBoxPlace));
    m_nameBox->setFont(arialFont(14.25));
    m_nameBox->setMaxLength(32767); // no limit of its own: the name rules cut long texts, with their notice
    m_nameBox->installEventFilter(this);

    const QString placeholder = m_texts("placeholder");
    auto makeAddressLabel = [&](const char* name, const TwipsPlace& place) {
        auto* label = new ClickableLabel(canvas);
        label->setObjectName(latin1(name));
        label->setGeometry(twipsRect(place));
        label->setFont(arialFont(9.75, true));
        label->setText(placeholder);
        label->setTextFormat(Qt::PlainText);
        styleAsAddress(label);
        return label;
    };
    m_plainLabel = makeAddressLabel(edition.plainLabel, PlainLabelPlace);
    connect(m_plainLabel, &ClickableLabel::clicked, this, &MainWindow::openPlainAddress);
    m_plainLabel->setAddressSource(m_language, [this] { return addressOf(std::nullopt); });
    nameAddressLabel(m_plainLabel, m_language, std::nullopt);
    for (const FigureKind kind : AllFigureKinds) {
        const std::size_t i = figureIndex(kind);
        m_figureLabels[i] = makeAddressLabel(edition.figureLabels[i], FigureLabelPlaces[i]);
        connect(m_figureLabels[i], &ClickableLabel::clicked, this, [this, kind] { openFigureAddress(kind); });
        m_figureLabels[i]->setAddressSource(m_language, [this, kind] { return addressOf(kind); });
        nameAddressLabel(m_figureLabels[i], m_language, kind);
    }

    auto makeCommand = [&](int number, const TwipsPlace& place, const QString& caption, const QString& tip) {
        auto* button = new QPushButton(caption, canvas);
        button->setObjectName(QStringLiteral("Command%1").arg(number));
        button->setGeometry(twipsRect(place));
        button->setFont(arialFont(8.25));
        button->setToolTip(tip);
        button->setAutoDefault(false);
        return button;
    };
    m_favouritesCommand = makeCommand(3, FavouritesCommandPlace, m_texts("favourites"), m_texts("favouritesTip"));
    setHelpTopic(m_favouritesCommand, edition.favouritesCommandHelp);
    connect(m_favouritesCommand, &QPushButton::clicked, this, [this] { goTo(WindowRole::Favourites); });

    m_registerCommand = makeCommand(2, RegisterCommandPlace, m_texts("register"), m_texts("registerTip"));
    setHelpTopic(m_registerCommand, edition.registerCommandHelp);
    connect(m_registerCommand, &QPushButton::clicked, this, &MainWindow::showRegister);

    m_symbologyCommand = makeCommand(1, SymbologyCommandPlace, QString(), m_texts("symbologyTip"));
    m_symbologyCommand->setIcon(resourceIcon("symbology"));
    m_symbologyCommand->setIconSize(QSize(px(SymbologyCommandPlace.width) - 8, px(SymbologyCommandPlace.height) - 8));
    connect(m_symbologyCommand, &QPushButton::clicked, this, [this] { goTo(WindowRole::Symbology); });

    // Command4 to Command7, in the order of FigureKind.
    for (const FigureKind kind : AllFigureKinds) {
        const std::size_t i = figureIndex(kind);
        m_saveCommands[i] = makeCommand(4 + static_cast<int>(i), SavePlaces[i], m_texts("save"), m_texts("saveTip"));
        connect(m_saveCommands[i], &QPushButton::clicked, this, [this, kind] { save(kind); });
        // Four buttons alike on screen; a screen reader tells them apart by their figure.
        m_saveCommands[i]->setAccessibleName(m_texts(SaveAccessibleNames[i]));
    }

    m_rules = new NameBox(m_nameBox, m_language, NameBox::NoticeStyle::Standard,
                          [this](const QString& finalText) { nameValidated(finalText); });
}

void MainWindow::setupMenus()
{
    const MainEdition& edition = Editions.edition(m_language);
    QMenuBar* bar = menuBar();
    auto addMenu = [&](const MenuItem& item, const char* textKey) {
        QMenu* menu = bar->addMenu(m_texts(textKey));
        menu->setObjectName(latin1(item.name));
        menu->menuAction()->setObjectName(latin1(item.name));
        return menu;
    };
    auto addItem = [&](QMenu* menu, const MenuItem& item, const char* textKey, const QString& shortcut, auto handler) {
        QAction* action = menu->addAction(m_texts(textKey));
        action->setObjectName(latin1(item.name));
        if (!shortcut.isEmpty()) {
            action->setShortcut(QKeySequence(shortcut));
            action->setShortcutContext(Qt::WindowShortcut);
            m_menuShortcuts << action->shortcut();
        }
        setHelpTopic(action, item.helpTopic);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    auto addSeparator = [&](QMenu* menu, const char* name) {
        QAction* separator = menu->addSeparator();
        separator->setObjectName(latin1(name));
    };
    const auto& items = edition.menu;

    QMenu* options = addMenu(items.options, "mnuOptions");
    addItem(options, items.symbology, "mnuSymbology", {}, [this] { goTo(WindowRole::Symbology); });
    addItem(options, items.registers, "mnuRegister", {}, [this] { showRegister(); });
    addSeparator(options, "mnulin1");
    addItem(options, items.favourites, "mnuFavourites", QStringLiteral("Ctrl+F"),
            [this] { goTo(WindowRole::Favourites); });
    addItem(options, items.reduced, "mnuReduced", QStringLiteral("Ctrl+R"), [this] { goTo(WindowRole::Reduced); });
    // The availability window opens beside the main window, which stays.
    addItem(options, items.availability, "mnuAvailability", QStringLiteral("Ctrl+D"),
            [this] { Windows::instance().show(WindowRole::Availability, m_language); });
    addSeparator(options, "mnulin2");
    addItem(options, items.exit, "mnuExit", m_texts("exitShortcut"), [] { Windows::instance().endProgram(); });

    QMenu* languageMenu = addMenu(items.language, "mnuLanguage");
    addItem(languageMenu, items.otherLanguage, "mnuOtherLanguage", {}, [this] { switchLanguage(); });

    QMenu* help = addMenu(items.help, "mnuHelp");
    addItem(help, items.helpContents, "mnuHelpContents", QStringLiteral("F1"),
            [this] { Help::showContents(this, m_language); });
    addItem(help, items.helpSearch, "mnuHelpSearch", {}, [this] { Help::showSearch(this, m_language); });
    addSeparator(help, "mnulin3");
    addItem(help, items.about, "mnuAbout", {}, [this] { Windows::instance().show(WindowRole::About, m_language); });
}

void MainWindow::setupFocusOrder()
{
    const MainEdition& edition = Editions.edition(m_language);
    auto widget = [this](Focusable which) -> QWidget* {
        switch (which) {
        case Focusable::NameBox:
            return m_nameBox;
        case Focusable::SymbologyCommand:
            return m_symbologyCommand;
        case Focusable::RegisterCommand:
            return m_registerCommand;
        case Focusable::FavouritesCommand:
            return m_favouritesCommand;
        case Focusable::SaveFourSided:
            return m_saveCommands[figureIndex(FigureKind::FourSided)];
        case Focusable::SaveRound:
            return m_saveCommands[figureIndex(FigureKind::CircleOrEllipse)];
        case Focusable::SaveThreeSided:
            return m_saveCommands[figureIndex(FigureKind::ThreeSided)];
        case Focusable::SaveManySided:
            return m_saveCommands[figureIndex(FigureKind::ManySided)];
        }
        return m_nameBox;
    };
    std::vector<QWidget*> order;
    for (const Focusable which : edition.focusOrder) {
        order.push_back(widget(which));
    }
    // The address labels follow the ordered controls: the plain address, then the figures.
    order.push_back(m_plainLabel);
    for (ClickableLabel* label : m_figureLabels) {
        order.push_back(label);
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
    CurrentNameSignal::instance().set(name);
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

QString MainWindow::addressOf(std::optional<FigureKind> kind) const
{
    // The address a label opens, or none while it shows the placeholder.
    const QString caption = kind ? m_figureLabels[figureIndex(*kind)]->text() : m_plainLabel->text();
    if (caption == m_texts("placeholder")) {
        return {};
    }
    const std::string name = caption.toStdString();
    return QString::fromStdString(kind ? figureAddress(*kind, name) : plainAddress(name));
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
    saveFavourite(this, m_saveCommands[figureIndex(kind)], m_language, kind, QString::fromStdString(CurrentName));
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
    if (Windows::instance().show(WindowRole::Main, Editions.edition(m_language).otherLanguage) != nullptr) {
        close();
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closing the main window runs no handling of its own beyond leaving the registry.
    acceptClose(this, event, m_language, AfterClose::NothingMore);
}

} // namespace quorvel::ui
