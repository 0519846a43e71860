#include "ui/favourites/FavouritesWindow.h"

#include "launch/Browser.h"
#include "store/DataFolder.h"
#include "ui/common/ClickableLabel.h"
#include "ui/common/FigureShapes.h"
#include "ui/common/Help.h"
#include "ui/common/Icons.h"
#include "ui/common/Notices.h"
#include "ui/common/Twips.h"
#include "ui/common/Windows.h"
#include "ui/favourites/FavouritesTexts.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStringListModel>

namespace quorvel::ui {

namespace {

/// What differs between the two editions besides their texts (resources/texts/favourites.tsv).
struct Edition
{
    int clientWidth;
    int clientHeight;
    bool sizable;
    int helpTopic;
    bool labelsUseBrowser; ///< address labels launch through the browser program (else through the shell)
    int label1Width;
    int label2Left;
    int label2Width;
    int label3Width;
    int label4Width;
};

constexpr Edition Spanish{9240, 4980, false, 200, true, 1815, 4920, 1815, 8655, 2175};
constexpr Edition English{9210, 4950, true, 202, false, 1695, 5160, 1575, 9015, 2055};

const Edition& edition(UiLanguage language)
{
    return language == UiLanguage::Spanish ? Spanish : English;
}

constexpr QRgb Blue = 0x0000FF;
constexpr QRgb Red = 0xFF0000;
constexpr QRgb DarkRed = 0x800000;
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

void colourText(QWidget* widget, QRgb colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(colour));
    widget->setPalette(palette);
}

FigureCanvas* filledCircle(QWidget* parent, const char* objectName, int left, int top, int size)
{
    auto* circle = new FigureCanvas(parent);
    circle->setObjectName(name(objectName));
    circle->setGeometry(twipsRect(left, top, size, size));
    circle->addFilled(FigureOutline::ellipse(QRectF(15, 15, size - 45, size - 45)), QColor::fromRgb(Blue),
                      QColor::fromRgb(Blue));
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
    const Edition& e = edition(m_language);
    setupProgramWindow(this, text("objName.window"), text("caption"), WindowButtons::MinimiseAndClose);

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
    const Edition& e = edition(m_language);
    QWidget* client = centralWidget();

    auto* title = new QLabel(text("title"), client);
    title->setObjectName(QStringLiteral("lblaTitol"));
    title->setGeometry(twipsRect(240, 120, 8775, 735));
    title->setFont(arialFont(26.25, true, true));
    title->setAlignment(Qt::AlignCenter);
    colourText(title, Red);

    m_shape3 = filledCircle(client, "Shape3", 1920, 1080, 255);
    m_shape4 = filledCircle(client, "Shape4", 6960, 1080, 255);

    m_label1 = new ClickableLabel(client);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setText(text("label1"));
    m_label1->setGeometry(twipsRect(2400, 1080, e.label1Width, 255));
    m_label2 = new ClickableLabel(client);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setText(text("label2"));
    m_label2->setGeometry(twipsRect(e.label2Left, 1080, e.label2Width, 255));
    for (QLabel* label : {static_cast<QLabel*>(m_label1), static_cast<QLabel*>(m_label2)}) {
        label->setFont(arialFont(9.75, true, true));
        colourText(label, Blue);
    }

    m_picnohay = new QWidget(client);
    m_picnohay->setObjectName(QStringLiteral("picnohay"));
    m_picnohay->setGeometry(twipsRect(0, 1440, 9255, 3255));
    m_label3 = new QLabel(text("label3"), m_picnohay);
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_label3->setGeometry(twipsRect(120, 840, e.label3Width, 1695));
    m_label3->setFont(arialFont(48, true, true));
    m_label3->setAlignment(Qt::AlignCenter);
    m_label3->setWordWrap(true);
    colourText(m_label3, DarkRed);

    setupNamePanel();
    setupFigurePanel();
    bringToFront(Panel::NoEntries);
}

void FavouritesWindow::setupNamePanel()
{
    const Edition& e = edition(m_language);
    m_picnom = new FigureCanvas(centralWidget());
    m_picnom->setObjectName(QStringLiteral("picnom"));
    m_picnom->setGeometry(twipsRect(0, 1440, 9255, 3255));

    auto* prompt = new QLabel(text("label4"), m_picnom);
    prompt->setObjectName(QStringLiteral("Label4"));
    prompt->setGeometry(twipsRect(240, 120, e.label4Width, 375));
    prompt->setFont(arialFont(12, true));

    // The search box takes any text: what it finds is decided by comparing, not by the name rules.
    m_txtNom = new QLineEdit(m_picnom);
    m_txtNom->setObjectName(QStringLiteral("txtNOM"));
    m_txtNom->setGeometry(twipsRect(2400, 120, 5415, 285));

    auto* search = new QPushButton(text("cmdbuscar"), m_picnom);
    search->setObjectName(QStringLiteral("cmdbuscar"));
    search->setGeometry(twipsRect(8040, 120, 1095, 375));
    search->setToolTip(text("cmdbuscarTip"));
    search->setAutoDefault(false);

    auto* back = new QPushButton(m_picnom);
    back->setObjectName(QStringLiteral("Command7"));
    back->setGeometry(twipsRect(2400, 600, 1575, 615));
    back->setIcon(resourceIcon("fav-previous"));
    back->setIconSize(QSize(32, 32));
    back->setToolTip(text("command7Tip"));
    auto* next = new QPushButton(m_picnom);
    next->setObjectName(QStringLiteral("Command8"));
    next->setGeometry(twipsRect(6240, 600, 1575, 615));
    next->setIcon(resourceIcon("fav-next"));
    next->setIconSize(QSize(32, 32));
    next->setToolTip(text("command8Tip"));

    m_picnom->addOutline(FigureOutline::rectangle(QRectF(240, 1320, 1455, 255)), 2);
    m_picnom->addOutline(FigureOutline::ellipse(QRectF(240, 1800, 1455, 255)), 2);
    m_picnom->addOutline(FigureOutline::polygon(QPolygonF({{240, 2520}, {960, 2280}, {1680, 2520}})), 2);
    m_picnom->addOutline(FigureOutline::polygon(QPolygonF({{240, 2895},
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
        auto* label = new ClickableLabel(m_picnom);
        label->setObjectName(name(k.addressLabel));
        label->setGeometry(twipsRect(1920, k.rowTop, 6255, 255));
        label->setFont(arialFont(9.75));
        styleAsAddress(label);
        label->setText(store::NoNameShown);
        m_addressLabels[figureIndex(kind)] = label;

        auto* remove = new QPushButton(m_picnom);
        remove->setObjectName(name(k.deleteCommand));
        remove->setGeometry(twipsRect(8280, k.deleteTop, 855, 495));
        remove->setIcon(resourceIcon("fav-delete"));
        remove->setIconSize(QSize(28, 28));
        remove->setToolTip(text("deleteTip"));
    }
}

void FavouritesWindow::setupFigurePanel()
{
    m_picfig = new FigureCanvas(centralWidget());
    m_picfig->setObjectName(QStringLiteral("picfig"));
    m_picfig->setGeometry(twipsRect(0, 1440, 9255, 3255));
    m_picfig->addOutline(FigureOutline::rectangle(QRectF(240, 480, 3855, 735)), 3);
    m_picfig->addOutline(FigureOutline::ellipse(QRectF(5160, 480, 3855, 735)), 3);
    m_picfig->addOutline(FigureOutline::polygon(QPolygonF({{2280, 1800}, {4200, 2760}, {240, 2760}})), 3);
    m_picfig->addOutline(FigureOutline::polygon(QPolygonF({{5160, 2160},
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
        auto* combo = new QComboBox(m_picfig);
        combo->setObjectName(name(k.combo));
        combo->setEditable(false);
        combo->setGeometry(twipsRect(k.comboLeft, k.comboTop, k.comboWidth, ComboHeight));
        auto* model = new QStringListModel(combo);
        combo->setModel(model);
        combo->setCurrentIndex(-1);
        m_combos[figureIndex(kind)] = combo;
        m_listModels[figureIndex(kind)] = model;

        auto* command = new QPushButton(text("listCommand"), m_picfig);
        command->setObjectName(name(k.listCommand));
        command->setGeometry(twipsRect(k.commandLeft, k.commandTop, 1815, 255));
        command->setFont(arialFont(8.25));
    }
}

void FavouritesWindow::setupMenus()
{
    QMenu* menu = menuBar()->addMenu(text("menu"));
    menu->setObjectName(text("objName.menu"));
    m_mnufig = menu->addAction(text("mnufig"));
    m_mnufig->setObjectName(QStringLiteral("mnufig"));
    m_mnunom = menu->addAction(text("mnunom"));
    m_mnunom->setObjectName(QStringLiteral("mnunom"));
    QAction* separator = menu->addSeparator();
    separator->setObjectName(QStringLiteral("mnulin1"));
    QAction* exit = menu->addAction(text("exit"));
    exit->setObjectName(text("objName.exit"));
    exit->setShortcut(QKeySequence(text("exitShortcut")));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    if (edition(m_language).sizable) {
        resize(px(edition(m_language).clientWidth),
               px(edition(m_language).clientHeight) + menuBar()->sizeHint().height());
    }
}

void FavouritesWindow::connectSignals()
{
    connect(m_label1, &ClickableLabel::clicked, this, &FavouritesWindow::enterSearchByFigure);
    connect(m_mnufig, &QAction::triggered, this, &FavouritesWindow::enterSearchByFigure);
    connect(m_label2, &ClickableLabel::clicked, this, &FavouritesWindow::enterSearchByName);
    connect(m_mnunom, &QAction::triggered, this, &FavouritesWindow::enterSearchByName);
    connect(findChild<QPushButton*>(QStringLiteral("cmdbuscar")), &QPushButton::clicked, this,
            &FavouritesWindow::nameSearch);
    connect(findChild<QPushButton*>(QStringLiteral("Command7")), &QPushButton::clicked, this,
            &FavouritesWindow::stepBackCommand);
    connect(findChild<QPushButton*>(QStringLiteral("Command8")), &QPushButton::clicked, this,
            &FavouritesWindow::stepNextCommand);
    for (FigureKind kind : AllFigureKinds) {
        const KindLayout& k = Kinds[figureIndex(kind)];
        connect(m_addressLabels[figureIndex(kind)], &ClickableLabel::clicked, this,
                [this, kind] { openAddressLabel(kind); });
        connect(findChild<QPushButton*>(name(k.deleteCommand)), &QPushButton::clicked, this,
                [this, kind] { deleteRow(kind); });
        connect(findChild<QPushButton*>(name(k.listCommand)), &QPushButton::clicked, this,
                [this, kind] { openListEntry(kind); });
    }
}

void FavouritesWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_centred) {
        m_centred = true;
        centreOnScreen(this);
    }
}

void FavouritesWindow::closeEvent(QCloseEvent* event)
{
    Windows::instance().unloadedBackToMain(this, m_language);
    event->accept();
}

void FavouritesWindow::bringToFront(Panel panel)
{
    m_front = panel;
    m_picnohay->setVisible(panel == Panel::NoEntries);
    m_picnom->setVisible(panel == Panel::ByName);
    m_picfig->setVisible(panel == Panel::ByFigure);
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
    m_shape3->show();
    m_shape4->hide();
    try {
        store::listByFigure(m_store, m_lists);
        showFigureLists();
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
    m_shape3->hide();
    m_shape4->show();
    m_txtNom->clear();
    m_display.clear();
    showWordDisplay();
}

void FavouritesWindow::enterNoEntries()
{
    bringToFront(Panel::NoEntries);
    m_label3->show();
    m_mnufig->setEnabled(false);
    m_mnunom->setEnabled(false);
    m_label1->hide();
    m_label2->hide();
    m_shape3->hide();
    m_shape4->hide();
}

void FavouritesWindow::nameSearch()
{
    store::SearchOutcome outcome = store::SearchOutcome::NotFound;
    try {
        outcome = store::searchByName(m_store, m_display, m_txtNom->text());
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
    const std::string address = figureAddress(kind, shown.toStdString());
    if (edition(m_language).labelsUseBrowser) {
        openInBrowser(address);
    } else {
        openWithShell(address);
    }
}

void FavouritesWindow::openListEntry(FigureKind kind)
{
    const QString chosen = m_combos[figureIndex(kind)]->currentText();
    if (chosen.isEmpty()) {
        Notices::inform(this, text(kind == FigureKind::FourSided ? "msgNoSelection1" : "msgNoSelection"));
        return;
    }
    const std::string address = figureAddress(kind, chosen.toStdString());
    if (edition(m_language).labelsUseBrowser) {
        openWithShell(address);
    } else {
        openInBrowser(address);
    }
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

} // namespace quorvel::ui
