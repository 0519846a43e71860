#include "ui/favourites/FavouritesWindow.h"

#include "launch/Browser.h"
#include "store/DataFolder.h"
#include "ui/common/ClickableLabel.h"
#include "ui/common/Closing.h"
#include "ui/common/Editions.h"
#include "ui/common/FigureShapes.h"
#include "ui/common/Help.h"
#include "ui/common/Icons.h"
#include "ui/common/Notices.h"
#include "ui/common/Palettes.h"
#include "ui/common/Twips.h"
#include "ui/common/Windows.h"
#include "ui/favourites/FavouritesTexts.h"
#include "ui/favourites/FavouritesTransfer.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStringListModel>

#include <algorithm>

namespace quorvel::ui {

namespace {

// How an address is handed on: to the browser program found at start, or to the desktop's own opener.
enum class LaunchForm
{
    Browser,
    Shell,
};

/// What one edition of the window has of its own besides its texts (resources/texts/favourites.tsv).
struct FavouritesEdition
{
    const char* window;
    const char* menu;
    const char* exitItem;
    const char* exportItem; ///< after the specified items, behind a separator of its own
    const char* importItem;
    int clientWidth;
    int clientHeight;
    bool sizable;
    int helpTopic;
    LaunchForm addressLabelLaunch; ///< the four address labels of the search by name
    LaunchForm listCommandLaunch;  ///< the four "open" commands of the search by figure
    int byFigureLinkWidth;         ///< Label1
    int byNameLinkLeft;            ///< Label2
    int byNameLinkWidth;
    int noEntriesTextWidth; ///< Label3
    int searchPromptWidth;  ///< Label4
};

constexpr EditionTable<FavouritesEdition> Editions{
    .spanish =
        {
            .window = "frmbdd",
            .menu = "mnuopcions",
            .exitItem = "mnusalir",
            .exportItem = "mnuexportar",
            .importItem = "mnuimportar",
            .clientWidth = 9240,
            .clientHeight = 4980,
            .sizable = false,
            .helpTopic = 200,
            .addressLabelLaunch = LaunchForm::Browser,
            .listCommandLaunch = LaunchForm::Shell,
            .byFigureLinkWidth = 1815,
            .byNameLinkLeft = 4920,
            .byNameLinkWidth = 1815,
            .noEntriesTextWidth = 8655,
            .searchPromptWidth = 2175,
        },
    .english =
        {
            .window = "frmdb",
            .menu = "mnuoptions",
            .exitItem = "mnuexit",
            .exportItem = "mnuexport",
            .importItem = "mnuimport",
            .clientWidth = 9210,
            .clientHeight = 4950,
            .sizable = true,
            .helpTopic = 202,
            .addressLabelLaunch = LaunchForm::Shell,
            .listCommandLaunch = LaunchForm::Browser,
            .byFigureLinkWidth = 1695,
            .byNameLinkLeft = 5160,
            .byNameLinkWidth = 1575,
            .noEntriesTextWidth = 9015,
            .searchPromptWidth = 2055,
        },
};

constexpr int ComboHeight = 315;

/// The controls of one class of figure on the two panels, in twips.
struct KindLayout
{
    const char* addressLabel;
    const char* deleteCommand;
    int rowTop;
    int deleteTop;
    const char* combo;
    const char* listCommand;
    int comboLeft, comboTop, comboWidth;
    int commandLeft, commandTop;
};

constexpr std::array<KindLayout, 4> Kinds{{
    {"lbladreca1", "cmdBorra_R", 1320, 1200, "Combo1", "Command1", 480, 720, 3375, 1320, 1320},
    {"lbladreca2", "cmdBorra_C", 1800, 1680, "Combo2", "Command2", 5760, 720, 2895, 6360, 1320},
    {"lbladreca3", "cmdBorra_T", 2280, 2160, "Combo3", "Command3", 1200, 2400, 2055, 1320, 2880},
    {"lbladreca4", "cmdBorra_P", 2760, 2640, "Combo4", "Command4", 5640, 2160, 3135, 6240, 2880},
}};

QString name(const char* objectName)
{
    return QString::fromLatin1(objectName);
}

void launch(LaunchForm form, const std::string& address)
{
    if (form == LaunchForm::Browser) {
        openInBrowser(address);
    } else {
        openWithShell(address);
    }
}

FigureCanvas* filledCircle(QWidget* parent, const char* objectName, int left, int top, int size)
{
    auto* circle = new FigureCanvas(parent);
    circle->setObjectName(name(objectName));
    circle->setGeometry(twipsRect(left, top, size, size));
    circle->addFilled(FigureOutline::ellipse(QRectF(15, 15, size - 45, size - 45)), QColor::fromRgb(Colours::FrameBlue),
                      QColor::fromRgb(Colours::FrameBlue));
    circle->hide();
    return circle;
}

} // namespace

FavouritesWindow::FavouritesWindow(UiLanguage language, QWidget* parent)
    : QMainWindow(parent), m_language(language), m_store(store::favouritesFilePath())
{
    setupWindow();
    setupControls();
    setupMenus();
    connectSignals();
    // The window's own cursor, open until the window unloads. A file that cannot be read shows up as the
    // no-entries display at the first search or change of mode.
    m_store.openStore();
}

FavouritesWindow::~FavouritesWindow() = default;

QString FavouritesWindow::text(const char* key) const
{
    return favouritesText(key, m_language);
}

void FavouritesWindow::setupWindow()
{
    const FavouritesEdition& e = Editions.edition(m_language);
    setupProgramWindow(this, name(e.window), text("caption"), WindowButtons::MinimiseAndClose);
    useLightLook(this);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    if (e.sizable) {
        client->setMinimumSize(0, 0);
    } else {
        client->setFixedSize(px(e.clientWidth), px(e.clientHeight));
        layout()->setSizeConstraint(QLayout::SetFixedSize);
    }
    Help::bindF1(this, m_language, e.helpTopic);
}

void FavouritesWindow::setupControls()
{
    const FavouritesEdition& e = Editions.edition(m_language);
    QWidget* client = centralWidget();

    auto* title = new QLabel(text("title"), client);
    title->setObjectName(QStringLiteral("lblaTitol"));
    title->setGeometry(twipsRect(240, 120, 8775, 735));
    title->setFont(arialFont(26.25, true, true));
    title->setAlignment(Qt::AlignCenter);
    setTextColour(title, Colours::TitleRed);

    m_byFigureMark = filledCircle(client, "Shape3", 1920, 1080, 255);
    m_byNameMark = filledCircle(client, "Shape4", 6960, 1080, 255);

    m_byFigureLink = new ClickableLabel(client);
    m_byFigureLink->setObjectName(QStringLiteral("Label1"));
    m_byFigureLink->setText(text("label1"));
    m_byFigureLink->setGeometry(twipsRect(2400, 1080, e.byFigureLinkWidth, 255));
    m_byNameLink = new ClickableLabel(client);
    m_byNameLink->setObjectName(QStringLiteral("Label2"));
    m_byNameLink->setText(text("label2"));
    m_byNameLink->setGeometry(twipsRect(e.byNameLinkLeft, 1080, e.byNameLinkWidth, 255));
    for (QLabel* label : {static_cast<QLabel*>(m_byFigureLink), static_cast<QLabel*>(m_byNameLink)}) {
        label->setFont(arialFont(9.75, true, true));
        setTextColour(label, Colours::FrameBlue);
    }

    m_noEntriesPanel = new QWidget(client);
    m_noEntriesPanel->setObjectName(QStringLiteral("picnohay"));
    m_noEntriesPanel->setGeometry(twipsRect(0, 1440, 9255, 3255));
    m_noEntriesText = new QLabel(text("label3"), m_noEntriesPanel);
    m_noEntriesText->setObjectName(QStringLiteral("Label3"));
    m_noEntriesText->setGeometry(twipsRect(120, 840, e.noEntriesTextWidth, 1695));
    m_noEntriesText->setFont(arialFont(48, true, true));
    m_noEntriesText->setAlignment(Qt::AlignCenter);
    m_noEntriesText->setWordWrap(true);
    setTextColour(m_noEntriesText, Colours::NoticeRed);

    setupNamePanel();
    setupFigurePanel();
    bringToFront(Panel::NoEntries);
}

void FavouritesWindow::setupNamePanel()
{
    const FavouritesEdition& e = Editions.edition(m_language);
    m_byNamePanel = new FigureCanvas(centralWidget());
    m_byNamePanel->setObjectName(QStringLiteral("picnom"));
    m_byNamePanel->setGeometry(twipsRect(0, 1440, 9255, 3255));

    auto* prompt = new QLabel(text("label4"), m_byNamePanel);
    prompt->setObjectName(QStringLiteral("Label4"));
    prompt->setGeometry(twipsRect(240, 120, e.searchPromptWidth, 375));
    prompt->setFont(arialFont(12, true));

    // The search box takes any text: what it finds is decided by comparing, not by the name rules.
    m_searchBox = new QLineEdit(m_byNamePanel);
    m_searchBox->setObjectName(QStringLiteral("txtNOM"));
    m_searchBox->setGeometry(twipsRect(2400, 120, 5415, 285));
    // Fonts of their own, as the main window's controls have: the fixed boxes keep their text whole whatever
    // size the desktop's font is.
    m_searchBox->setFont(arialFont(8.25));

    m_searchCommand = new QPushButton(text("cmdbuscar"), m_byNamePanel);
    m_searchCommand->setObjectName(QStringLiteral("cmdbuscar"));
    m_searchCommand->setGeometry(twipsRect(8040, 120, 1095, 375));
    m_searchCommand->setToolTip(text("cmdbuscarTip"));
    m_searchCommand->setFont(arialFont(8.25));
    m_searchCommand->setAutoDefault(false);

    m_stepBackCommand = new QPushButton(m_byNamePanel);
    m_stepBackCommand->setObjectName(QStringLiteral("Command7"));
    m_stepBackCommand->setGeometry(twipsRect(2400, 600, 1575, 615));
    m_stepBackCommand->setIcon(resourceIcon("fav-previous"));
    m_stepBackCommand->setIconSize(QSize(32, 32));
    m_stepBackCommand->setToolTip(text("command7Tip"));
    m_stepNextCommand = new QPushButton(m_byNamePanel);
    m_stepNextCommand->setObjectName(QStringLiteral("Command8"));
    m_stepNextCommand->setGeometry(twipsRect(6240, 600, 1575, 615));
    m_stepNextCommand->setIcon(resourceIcon("fav-next"));
    m_stepNextCommand->setIconSize(QSize(32, 32));
    m_stepNextCommand->setToolTip(text("command8Tip"));

    m_byNamePanel->addOutline(FigureOutline::rectangle(QRectF(240, 1320, 1455, 255)), 2);
    m_byNamePanel->addOutline(FigureOutline::ellipse(QRectF(240, 1800, 1455, 255)), 2);
    m_byNamePanel->addOutline(FigureOutline::polygon(QPolygonF({{240, 2520}, {960, 2280}, {1680, 2520}})), 2);
    m_byNamePanel->addOutline(FigureOutline::polygon(QPolygonF({{240, 2895},
                                                                {706, 2760},
                                                                {1256, 2760},
                                                                {1680, 2895},
                                                                {1680, 2985},
                                                                {1256, 3120},
                                                                {706, 3120},
                                                                {240, 2985}})),
                              2);

    for (FigureKind kind : AllFigureKinds) {
        const KindLayout& k = Kinds[figureIndex(kind)];
        auto* label = new ClickableLabel(m_byNamePanel);
        label->setObjectName(name(k.addressLabel));
        label->setGeometry(twipsRect(1920, k.rowTop, 6255, 255));
        label->setFont(arialFont(9.75));
        styleAsAddress(label);
        label->setText(store::NoNameShown);
        label->setAddressSource(m_language, [label, kind] {
            const QString shown = label->text();
            return shown == store::NoNameShown ? QString()
                                               : QString::fromStdString(figureAddress(kind, shown.toStdString()));
        });
        nameAddressLabel(label, m_language, kind);
        m_addressLabels[figureIndex(kind)] = label;

        auto* remove = new QPushButton(m_byNamePanel);
        remove->setObjectName(name(k.deleteCommand));
        remove->setGeometry(twipsRect(8280, k.deleteTop, 855, 495));
        remove->setIcon(resourceIcon("fav-delete"));
        remove->setIconSize(QSize(32, 32));
        remove->setToolTip(text("deleteTip"));
        m_deleteCommands[figureIndex(kind)] = remove;
    }

    // The keyboard goes through the commands first, then through the address labels.
    std::vector<QWidget*> order{m_searchBox, m_searchCommand, m_stepBackCommand, m_stepNextCommand};
    order.insert(order.end(), m_deleteCommands.begin(), m_deleteCommands.end());
    order.insert(order.end(), m_addressLabels.begin(), m_addressLabels.end());
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
}

void FavouritesWindow::setupFigurePanel()
{
    m_byFigurePanel = new FigureCanvas(centralWidget());
    m_byFigurePanel->setObjectName(QStringLiteral("picfig"));
    m_byFigurePanel->setGeometry(twipsRect(0, 1440, 9255, 3255));
    m_byFigurePanel->addOutline(FigureOutline::rectangle(QRectF(240, 480, 3855, 735)), 3);
    m_byFigurePanel->addOutline(FigureOutline::ellipse(QRectF(5160, 480, 3855, 735)), 3);
    m_byFigurePanel->addOutline(FigureOutline::polygon(QPolygonF({{2280, 1800}, {4200, 2760}, {240, 2760}})), 3);
    m_byFigurePanel->addOutline(FigureOutline::polygon(QPolygonF({{5160, 2160},
                                                                  {6480, 1800},
                                                                  {7800, 1800},
                                                                  {9000, 2160},
                                                                  {9000, 2400},
                                                                  {7800, 2760},
                                                                  {6480, 2760},
                                                                  {5160, 2400}})),
                                3);

    for (FigureKind kind : AllFigureKinds) {
        const KindLayout& k = Kinds[figureIndex(kind)];
        // A plain string model keeps filling lists of many thousands of names quick.
        auto* combo = new QComboBox(m_byFigurePanel);
        combo->setObjectName(name(k.combo));
        combo->setEditable(false);
        combo->setFont(arialFont(8.25));
        combo->setGeometry(twipsRect(k.comboLeft, k.comboTop, k.comboWidth, ComboHeight));
        auto* model = new QStringListModel(combo);
        combo->setModel(model);
        combo->setCurrentIndex(-1);
        m_combos[figureIndex(kind)] = combo;
        m_listModels[figureIndex(kind)] = model;

        auto* command = new QPushButton(text("listCommand"), m_byFigurePanel);
        command->setObjectName(name(k.listCommand));
        command->setGeometry(twipsRect(k.commandLeft, k.commandTop, 1815, 255));
        command->setFont(arialFont(8.25));
        m_listCommands[figureIndex(kind)] = command;
    }
}

void FavouritesWindow::setupMenus()
{
    QMenu* menu = menuBar()->addMenu(text("menu"));
    const FavouritesEdition& e = Editions.edition(m_language);
    menu->setObjectName(name(e.menu));
    m_byFigureItem = menu->addAction(text("mnufig"));
    m_byFigureItem->setObjectName(QStringLiteral("mnufig"));
    m_byNameItem = menu->addAction(text("mnunom"));
    m_byNameItem->setObjectName(QStringLiteral("mnunom"));
    QAction* separator = menu->addSeparator();
    separator->setObjectName(QStringLiteral("mnulin1"));
    QAction* exit = menu->addAction(text("exit"));
    exit->setObjectName(name(e.exitItem));
    exit->setShortcut(QKeySequence(text("exitShortcut")));
    connect(exit, &QAction::triggered, this, &QWidget::close);
    // Export and import come after the specified items, behind a separator of their own.
    menu->addSeparator()->setObjectName(QStringLiteral("mnulin2"));
    QAction* exportItem = menu->addAction(text("export"));
    exportItem->setObjectName(name(e.exportItem));
    connect(exportItem, &QAction::triggered, this, [this] { exportFavouritesFromWindow(this, m_language, m_store); });
    QAction* importItem = menu->addAction(text("import"));
    importItem->setObjectName(name(e.importItem));
    connect(importItem, &QAction::triggered, this, &FavouritesWindow::importFavourites);

    if (e.sizable) {
        resize(px(e.clientWidth), px(e.clientHeight) + menuBar()->sizeHint().height());
    }
}

void FavouritesWindow::connectSignals()
{
    connect(m_byFigureLink, &ClickableLabel::clicked, this, &FavouritesWindow::enterSearchByFigure);
    connect(m_byFigureItem, &QAction::triggered, this, &FavouritesWindow::enterSearchByFigure);
    connect(m_byNameLink, &ClickableLabel::clicked, this, &FavouritesWindow::enterSearchByName);
    connect(m_byNameItem, &QAction::triggered, this, &FavouritesWindow::enterSearchByName);
    connect(m_searchCommand, &QPushButton::clicked, this, &FavouritesWindow::nameSearch);
    connect(m_stepBackCommand, &QPushButton::clicked, this, &FavouritesWindow::stepBackCommand);
    connect(m_stepNextCommand, &QPushButton::clicked, this, &FavouritesWindow::stepNextCommand);
    for (FigureKind kind : AllFigureKinds) {
        const std::size_t i = figureIndex(kind);
        connect(m_addressLabels[i], &ClickableLabel::clicked, this, [this, kind] { openAddressLabel(kind); });
        connect(m_deleteCommands[i], &QPushButton::clicked, this, [this, kind] { deleteRow(kind); });
        connect(m_listCommands[i], &QPushButton::clicked, this, [this, kind] { openListEntry(kind); });
    }
}

void FavouritesWindow::closeEvent(QCloseEvent* event)
{
    acceptClose(this, event, m_language, AfterClose::MainWindowBack);
}

void FavouritesWindow::bringToFront(Panel panel)
{
    m_front = panel;
    m_noEntriesPanel->setVisible(panel == Panel::NoEntries);
    m_byNamePanel->setVisible(panel == Panel::ByName);
    m_byFigurePanel->setVisible(panel == Panel::ByFigure);
}

void FavouritesWindow::showWordDisplay()
{
    for (FigureKind kind : AllFigureKinds) {
        m_addressLabels[figureIndex(kind)]->setText(m_display.text(kind));
    }
}

void FavouritesWindow::showFigureLists()
{
    for (FigureKind kind : AllFigureKinds) {
        m_listModels[figureIndex(kind)]->setStringList(m_lists.list(kind));
        m_combos[figureIndex(kind)]->setCurrentIndex(-1);
    }
}

void FavouritesWindow::enterSearchByFigure()
{
    bringToFront(Panel::ByFigure);
    m_byFigureMark->show();
    m_byNameMark->hide();
    try {
        store::listByFigure(m_store, m_lists);
        showFigureLists();
        m_combos[figureIndex(FigureKind::FourSided)]->setFocus(Qt::OtherFocusReason); // typing goes to a list
    } catch (const store::StoreFailure&) {
        showFigureLists();
        enterNoEntries();
    }
}

void FavouritesWindow::enterSearchByName()
{
    try {
        m_store.toFirst();
    } catch (const store::StoreFailure&) {
        enterNoEntries();
        return;
    }
    bringToFront(Panel::ByName);
    m_byFigureMark->hide();
    m_byNameMark->show();
    m_searchBox->clear();
    m_display.clear();
    showWordDisplay();
    m_searchBox->setFocus(Qt::OtherFocusReason); // typing goes to the search box
}

void FavouritesWindow::enterNoEntries()
{
    bringToFront(Panel::NoEntries);
    m_noEntriesText->show();
    m_byFigureItem->setEnabled(false);
    m_byNameItem->setEnabled(false);
    m_byFigureLink->hide();
    m_byNameLink->hide();
    m_byFigureMark->hide();
    m_byNameMark->hide();
}

void FavouritesWindow::nameSearch()
{
    store::SearchOutcome outcome = store::SearchOutcome::NotFound;
    try {
        outcome = store::searchByName(m_store, m_display, m_searchBox->text());
    } catch (const store::StoreFailure&) {
        showWordDisplay();
        enterNoEntries();
        return;
    }
    showWordDisplay();
    if (outcome == store::SearchOutcome::EmptyText) {
        Notices::inform(this, text("msgEmptySearch"));
    } else if (outcome == store::SearchOutcome::NotFound) {
        Notices::inform(this, text("msgNotFound"));
    }
}

void FavouritesWindow::stepBackCommand()
{
    try {
        store::stepWord(m_store, m_display, store::StepDirection::Back);
    } catch (const store::StoreFailure&) {
        showWordDisplay();
        enterNoEntries();
        return;
    }
    showWordDisplay();
}

void FavouritesWindow::stepNextCommand()
{
    try {
        store::stepWord(m_store, m_display, store::StepDirection::Next);
    } catch (const store::StoreFailure&) {
        showWordDisplay();
        enterNoEntries();
        return;
    }
    showWordDisplay();
}

void FavouritesWindow::openAddressLabel(FigureKind kind)
{
    const QString shown = m_addressLabels[figureIndex(kind)]->text();
    if (shown == store::NoNameShown) {
        return;
    }
    launch(Editions.edition(m_language).addressLabelLaunch, figureAddress(kind, shown.toStdString()));
}

void FavouritesWindow::openListEntry(FigureKind kind)
{
    const QString chosen = m_combos[figureIndex(kind)]->currentText();
    if (chosen.isEmpty()) {
        Notices::inform(this, text(kind == FigureKind::FourSided ? "msgNoSelection1" : "msgNoSelection"));
        return;
    }
    launch(Editions.edition(m_language).listCommandLaunch, figureAddress(kind, chosen.toStdString()));
}

void FavouritesWindow::deleteRow(FigureKind kind)
{
    const QString shown = m_addressLabels[figureIndex(kind)]->text();
    if (shown == store::NoNameShown) {
        return;
    }
    const QString kindText = kindName(kind, m_language);
    if (!Notices::confirm(this, fillIn(text("confirmDelete"), {shown, kindText}), m_language)) {
        return;
    }
    try {
        m_store.removeFavourite(shown, kind);
    } catch (const store::StoreFailure& failure) {
        Notices::inform(this, fillIn(text("deleteNotDone"),
                                     {shown, kindText, problemReason(failure, m_store.filePath(), m_language)}));
        return;
    }
    // The row no longer shows the name; lists on screen are read again so they never offer it.
    m_display.texts[figureIndex(kind)] = store::NoNameShown;
    showWordDisplay();
    if (m_front == Panel::ByFigure) {
        enterSearchByFigure();
    }
}

void FavouritesWindow::importFavourites()
{
    if (!importFavouritesIntoWindow(this, m_language, m_store)) {
        return;
    }
    // The table has records now: a window that had found none offers both searches again, and what is on
    // show is read afresh.
    if (!m_byFigureItem->isEnabled()) {
        m_byFigureItem->setEnabled(true);
        m_byNameItem->setEnabled(true);
        m_byFigureLink->show();
        m_byNameLink->show();
    }
    // A window that showed no entries shows the names now kept, by figure.
    if (m_front == Panel::ByFigure || m_front == Panel::NoEntries) {
        enterSearchByFigure();
    } else if (m_front == Panel::ByName && !m_display.nothingShown()) {
        // A copy: the search clears the display before it reads the name.
        const QString name = *std::find_if(m_display.texts.begin(), m_display.texts.end(),
                                           [](const QString& text) { return text != store::NoNameShown; });
        try {
            store::searchByName(m_store, m_display, name);
        } catch (const store::StoreFailure&) {
            enterNoEntries();
        }
        showWordDisplay();
    }
}

} // namespace quorvel::ui
