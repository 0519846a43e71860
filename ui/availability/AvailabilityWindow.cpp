#include "ui/availability/AvailabilityWindow.h"

#include "availability/Checker.h"
#include "availability/Domains.h"
#include "core/SharedState.h"
#include "ui/availability/ProgramChecker.h"
#include "ui/common/CurrentNameSignal.h"
#include "ui/common/Editions.h"
#include "ui/common/Help.h"
#include "ui/common/Icons.h"
#include "ui/common/Twips.h"
#include "ui/common/WindowManners.h"
#include "ui/common/Windows.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QVBoxLayout>

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
    centreWhenFirstShown(this);
    closeOnEscape(this);
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
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({m_texts("domainColumn"), m_texts("statusColumn")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(true);
    m_list->setMinimumSize(px(7200), px(2700));
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
    const QString reason = availability::reasonText(answer, m_language);
    item->setText(1, status);
    item->setIcon(1, resourceIcon(iconOf(answer.status)));
    for (int column = 0; column < 2; ++column) {
        item->setToolTip(column, reason);
        item->setData(column, Qt::AccessibleDescriptionRole, reason);
    }
}

void AvailabilityWindow::showPlain(QTreeWidgetItem* item, const QString& text)
{
    item->setText(1, text);
    item->setIcon(1, QIcon());
    for (int column = 0; column < 2; ++column) {
        item->setToolTip(column, QString());
        item->setData(column, Qt::AccessibleDescriptionRole, QString());
    }
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
