#include "ui/availability/AvailabilityWindow.h"

#include "availability/Checker.h"
#include "availability/Domains.h"
#include "core/SharedState.h"
#include "ui/availability/ProgramChecker.h"
#include "ui/common/Closing.h"
#include "ui/common/CurrentNameSignal.h"
#include "ui/common/Editions.h"
#include "ui/common/Help.h"
#include "ui/common/Icons.h"
#include "ui/common/Placement.h"
#include "ui/common/Twips.h"
#include "ui/common/Windows.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace quorvel::ui {

namespace {

using availability::Answer;
using availability::Status;

// What one edition of the window has of its own: the object names and the help topic.
struct AvailabilityEdition
{
    const char* window;
    const char* name;
    const char* endingsLabel;
    const char* endings;
    const char* check;
    const char* asYouType;
    const char* list;
    const char* busy;
    const char* note;
    int helpTopic;
};

constexpr EditionTable<AvailabilityEdition> Editions{
    .spanish = {.window = "frmDisp_Cast",
                .name = "lblNombre",
                .endingsLabel = "lblTerminaciones",
                .endings = "txtTerminaciones",
                .check = "cmdComprobar",
                .asYouType = "chkAlEscribir",
                .list = "lstDominios",
                .busy = "prgOcupado",
                .note = "lblAviso",
                .helpTopic = 700},
    .english = {.window = "frmDisp_Ang",
                .name = "lblaName",
                .endingsLabel = "lblaEndings",
                .endings = "txtaEndings",
                .check = "cmdCheck",
                .asYouType = "chkAsYouType",
                .list = "lstDomains",
                .busy = "prgBusy",
                .note = "lblaNote",
                .helpTopic = 707},
};

const QString EndingsKey = QStringLiteral("availability/endings");

// Between the main window and this one, in pixels.
constexpr int PlacementGap = 8;

// The icon of a row before its answer: as large as the answers' icons, so that no row grows when they come.
const QIcon& blankIcon()
{
    static const QIcon icon = [] {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        return QIcon(pixmap);
    }();
    return icon;
}

// The domain is kept in the first column's data; the text may one day be shown otherwise.
constexpr int DomainRole = Qt::UserRole;

const char* iconOf(Status status)
{
    switch (status) {
    case Status::Registered:
        return "availability-registered";
    case Status::NotRegistered:
        return "availability-not-registered";
    case Status::Unknown:
        break;
    }
    return "availability-unknown";
}

} // namespace

QString availabilitySettingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/quorvel/availability.ini");
}

AvailabilityWindow::AvailabilityWindow(UiLanguage language)
    : m_language(language), m_texts(QStringLiteral("availability"), language)
{
    const AvailabilityEdition& edition = Editions.edition(language);
    setupProgramWindow(this, QString::fromLatin1(edition.window), m_texts("caption"), WindowButtons::MinimiseAndClose);
    setupControls();
    connectSignals();
    Help::bindF1(this, m_language, edition.helpTopic);
    rebuild();
    // One window per run: when the user turns to the other edition's main window, this one follows.
    connect(&Windows::instance(), &Windows::aboutToShow, this, [this](QWidget* shown) {
        const UiLanguage other = m_language == UiLanguage::Spanish ? UiLanguage::English : UiLanguage::Spanish;
        if (shown != nullptr && shown == Windows::instance().find(WindowRole::Main, other)) {
            QMetaObject::invokeMethod(
                this, [this, other] { handOverTo(other); }, Qt::QueuedConnection);
        }
    });
}

QString AvailabilityWindow::endingsText() const
{
    return m_endings->text();
}

void AvailabilityWindow::setEndingsText(const QString& text)
{
    m_endings->setText(text);
}

void AvailabilityWindow::setPlacement(const QRect& geometry)
{
    m_placed = true;
    setGeometry(geometry);
}

void AvailabilityWindow::handOverTo(UiLanguage language)
{
    if (Windows::instance().find(WindowRole::Availability, language) != nullptr || Windows::instance().isEnding()) {
        return;
    }
    // The other edition's window is made by the registry, which closes this one and takes over its place; the
    // keyboard stays with the main window the user turned to.
    Windows::instance().show(WindowRole::Availability, language);
    if (QWidget* main = Windows::instance().find(WindowRole::Main, language)) {
        main->activateWindow();
    }
}

void AvailabilityWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shownBefore) {
        return;
    }
    m_shownBefore = true;
    // It stays above the main window as its companion, so a click there never hides it.
    QWidget* main = Windows::instance().find(WindowRole::Main, m_language);
    if (main != nullptr && windowHandle() != nullptr && main->windowHandle() != nullptr) {
        windowHandle()->setTransientParent(main->windowHandle());
    }
    if (!m_placed) {
        m_placed = true;
        placeBesideMain();
    }
}

void AvailabilityWindow::placeBesideMain()
{
    QWidget* main = Windows::instance().find(WindowRole::Main, m_language);
    if (main == nullptr || !main->isVisible()) {
        centreOnWorkArea(this);
        return;
    }
    QScreen* screen = main->screen() != nullptr ? main->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    const QRect mainFrame = main->frameGeometry();
    const QSize size = frameGeometry().size().expandedTo(this->size());
    const QList<QPoint> candidates = {
        {mainFrame.right() + 1 + PlacementGap, mainFrame.top()},           // to the right
        {mainFrame.left() - PlacementGap - size.width(), mainFrame.top()}, // to the left
        {mainFrame.left(), mainFrame.bottom() + 1 + PlacementGap},         // below
    };
    for (const QPoint& topLeft : candidates) {
        if (area.contains(QRect(topLeft, size))) {
            move(topLeft);
            return;
        }
    }
    // No room beside it: over the main window's lower part, below the name box, so typing stays in sight.
    const QString boxName = QString::fromLatin1(m_language == UiLanguage::Spanish ? "txtAdreca" : "txtaAdreca");
    int top = mainFrame.top();
    if (const QWidget* box = main->findChild<QWidget*>(boxName)) {
        top = box->mapToGlobal(QPoint(0, box->height())).y() + PlacementGap;
    }
    const int left = std::clamp(mainFrame.left(), area.left(), std::max(area.left(), area.right() - size.width()));
    top = std::clamp(top, area.top(), std::max(area.top(), area.bottom() - size.height()));
    move(left, top);
}

void AvailabilityWindow::setupControls()
{
    const AvailabilityEdition& edition = Editions.edition(m_language);
    auto* layout = new QVBoxLayout(this);

    m_name = new QLabel(this);
    m_name->setObjectName(QString::fromLatin1(edition.name));
    m_name->setTextFormat(Qt::PlainText);
    m_name->setFont(arialFont(11.25, true));
    layout->addWidget(m_name);

    auto* endingsRow = new QHBoxLayout;
    auto* endingsLabel = new QLabel(m_texts("endings"), this);
    endingsLabel->setObjectName(QString::fromLatin1(edition.endingsLabel));
    m_endings = new QLineEdit(this);
    m_endings->setObjectName(QString::fromLatin1(edition.endings));
    m_endings->setMaxLength(255);
    QSettings settings(availabilitySettingsPath(), QSettings::IniFormat);
    m_endings->setText(settings
                           .value(EndingsKey, QString::fromLatin1(availability::DefaultEndings.data(),
                                                                  qsizetype(availability::DefaultEndings.size())))
                           .toString());
    endingsLabel->setBuddy(m_endings);
    endingsRow->addWidget(endingsLabel);
    endingsRow->addWidget(m_endings, 1);
    layout->addLayout(endingsRow);

    auto* commandRow = new QHBoxLayout;
    m_check = new QPushButton(m_texts("check"), this);
    m_check->setObjectName(QString::fromLatin1(edition.check));
    m_check->setDefault(true);
    m_asYouType = new QCheckBox(m_texts("asYouType"), this);
    m_asYouType->setObjectName(QString::fromLatin1(edition.asYouType));
    m_asYouType->setChecked(false);
    // Escape closes the window as its close box does; Return in the list checks, as the check command does.
    closeOnEscape(this);
    m_busy = new QProgressBar(this);
    m_busy->setObjectName(QString::fromLatin1(edition.busy));
    m_busy->setRange(0, 0); // moves without a measure while anything is asked
    m_busy->setTextVisible(false);
    m_busy->setMaximumWidth(120);
    m_busy->setAccessibleName(m_texts("checking"));
    m_busy->setVisible(false);
    commandRow->addWidget(m_check);
    commandRow->addWidget(m_asYouType);
    commandRow->addStretch(1);
    commandRow->addWidget(m_busy);
    layout->addLayout(commandRow);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QString::fromLatin1(edition.list));
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({m_texts("domainColumn"), m_texts("statusColumn"), m_texts("reasonColumn")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setUniformRowHeights(true);
    m_list->setIconSize(QSize(16, 16));
    m_list->setWordWrap(false);
    m_list->setTextElideMode(Qt::ElideRight);
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(true);
    m_list->installEventFilter(this);
    {
        // Ten rows at least, however large the font: the rows' height is that of a row with its icon.
        auto* probe = new QTreeWidgetItem(m_list, {QStringLiteral("Xg"), QStringLiteral("Xg"), QStringLiteral("Xg")});
        probe->setIcon(1, blankIcon());
        const int rowHeight = m_list->sizeHintForRow(0);
        delete probe;
        const int headerHeight = m_list->header()->sizeHint().height();
        const int frame = 2 * m_list->frameWidth();
        m_list->setMinimumSize(px(9000), std::max(px(2700), headerHeight + VisibleRows * rowHeight + frame + 4));
    }
    layout->addWidget(m_list, 1);

    auto* note = new QLabel(m_texts("note"), this);
    note->setObjectName(QString::fromLatin1(edition.note));
    note->setWordWrap(true);
    layout->addWidget(note);

    m_typingTimer.setSingleShot(true);
    m_typingTimer.setInterval(TypingPauseMs);
}

void AvailabilityWindow::connectSignals()
{
    connect(&CurrentNameSignal::instance(), &CurrentNameSignal::changed, this, &AvailabilityWindow::somethingTyped);
    connect(m_endings, &QLineEdit::textChanged, this, &AvailabilityWindow::somethingTyped);
    connect(m_endings, &QLineEdit::returnPressed, this, &AvailabilityWindow::check);
    connect(m_check, &QPushButton::clicked, this, &AvailabilityWindow::check);
    connect(m_asYouType, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) {
            m_typingTimer.stop();
        }
    });
    connect(&m_typingTimer, &QTimer::timeout, this, &AvailabilityWindow::check);
    connect(&programChecker(), &availability::Checker::answered, this, &AvailabilityWindow::answered);
}

void AvailabilityWindow::somethingTyped()
{
    rebuild();
    if (m_asYouType->isChecked()) {
        m_typingTimer.start(); // restarted by every keystroke
    }
}

void AvailabilityWindow::rebuild()
{
    // What was asked about the old domains is no longer wanted.
    programChecker().cancel(this);
    m_waiting.clear();
    m_rows.clear();
    m_list->clear();
    const QString name = QString::fromStdString(CurrentName);
    m_name->setText(name.isEmpty() ? m_texts("noName") : m_texts("name").arg(name));
    const QStringList domains = availability::domainsOf(CurrentName, availability::parseEndings(m_endings->text()));
    for (const QString& domain : domains) {
        auto* item = new QTreeWidgetItem(m_list, {domain});
        item->setData(0, DomainRole, domain);
        showPlain(item, m_texts("notChecked"));
        m_rows.insert(domain, item);
    }
    // Endings that cannot be are shown with what is wrong with them, and never asked about.
    if (!name.isEmpty()) {
        for (const QString& ending : availability::invalidEndings(m_endings->text())) {
            auto* item = new QTreeWidgetItem(m_list, {name + u'.' + ending});
            showAnswer(item, availability::Answer::unknown(availability::Reason::InvalidName));
            item->setText(2, m_texts("invalidEnding").arg(ending));
        }
    }
    m_check->setEnabled(!domains.isEmpty());
    updateBusy();
}

void AvailabilityWindow::check()
{
    m_typingTimer.stop();
    saveEndings();
    if (m_rows.isEmpty()) {
        return;
    }
    QStringList domains;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        const QString domain = item->data(0, DomainRole).toString();
        if (domain.isEmpty()) {
            continue; // an ending that cannot be
        }
        showPlain(item, m_texts("checking"));
        m_waiting.insert(domain);
        domains << domain;
    }
    updateBusy();
    programChecker().check(domains, this);
}

void AvailabilityWindow::answered(const QString& domain, const Answer& answer)
{
    if (!m_waiting.remove(domain)) {
        return; // asked by another window, or no longer shown here
    }
    if (QTreeWidgetItem* item = m_rows.value(domain)) {
        showAnswer(item, answer);
    }
    updateBusy();
}

void AvailabilityWindow::showAnswer(QTreeWidgetItem* item, const Answer& answer)
{
    const QString status = availability::statusText(answer.status, m_language);
    const QString remark = availability::remarkText(answer, m_language);
    item->setText(1, status);
    item->setIcon(1, resourceIcon(iconOf(answer.status)));
    item->setText(2, remark);
    for (int column = 0; column < 3; ++column) {
        item->setToolTip(column, remark);
        item->setData(column, Qt::AccessibleDescriptionRole, remark);
    }
}

void AvailabilityWindow::showPlain(QTreeWidgetItem* item, const QString& text)
{
    item->setText(1, text);
    item->setIcon(1, blankIcon());
    item->setText(2, QString());
    for (int column = 0; column < 3; ++column) {
        item->setToolTip(column, QString());
        item->setData(column, Qt::AccessibleDescriptionRole, QString());
    }
}

bool AvailabilityWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_check->isEnabled()) {
            check();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void AvailabilityWindow::updateBusy()
{
    m_busy->setVisible(!m_waiting.isEmpty());
}

void AvailabilityWindow::saveEndings()
{
    QSettings settings(availabilitySettingsPath(), QSettings::IniFormat);
    if (settings.value(EndingsKey).toString() != m_endings->text() || !settings.contains(EndingsKey)) {
        settings.setValue(EndingsKey, m_endings->text());
    }
}

void AvailabilityWindow::closeEvent(QCloseEvent* event)
{
    // Closing cancels what is in flight; the main window stays as it is.
    m_typingTimer.stop();
    programChecker().cancel(this);
    m_waiting.clear();
    saveEndings();
    acceptClose(this, event, m_language, AfterClose::NothingMore);
}

} // namespace quorvel::ui
