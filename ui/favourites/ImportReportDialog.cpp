#include "ui/favourites/ImportReportDialog.h"

#include "store/TransferFormat.h"
#include "ui/common/Notices.h"
#include "ui/favourites/FavouritesTexts.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quorvel::ui {

namespace {

QString fromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}

/// What became of a row: the name saved and its corrections, or that it was left out and why.
QString outcome(const store::ImportNote& note, UiLanguage language, bool dryRun)
{
    if (note.problem) {
        return fromUtf8(store::transferText(dryRun ? "leftOutDry" : "leftOut", language, {}) +
                        store::describeLeftOut(note, language));
    }
    return QString::fromStdString(note.name) + QStringLiteral(" \u2014 ") +
           fromUtf8(store::describeCorrections(note, language));
}

QString withCapital(QString text)
{
    if (!text.isEmpty()) {
        text[0] = text[0].toUpper();
    }
    return text;
}

} // namespace

QString transferWords(const char* key, UiLanguage language)
{
    return QString::fromStdString(store::transferText(key, language, {}));
}

QString importCounts(const store::ImportSummary& summary, UiLanguage language)
{
    QStringList lines;
    for (const std::string& line : store::describeSummaryLines(summary, language)) {
        lines << withCapital(QString::fromStdString(line));
    }
    return lines.join(QLatin1Char('\n'));
}

ImportReportDialog::ImportReportDialog(QWidget* parent, Stage stage, const QString& filePath,
                                       const store::ImportSummary& summary, const std::vector<store::ImportNote>& notes,
                                       UiLanguage language)
    : QDialog(parent), m_stage(stage), m_filePath(filePath), m_summary(summary), m_notes(notes), m_language(language)
{
    const bool preview = stage == Stage::Preview;
    setObjectName(preview ? QStringLiteral("importPreview") : QStringLiteral("importReport"));
    setWindowTitle(fillIn(transferWords(preview ? "ui.previewTitle" : "ui.reportTitle", language),
                          {QFileInfo(filePath).fileName()}));
    auto* layout = new QVBoxLayout(this);

    auto* counts = new QLabel(importCounts(summary, language), this);
    counts->setObjectName(QStringLiteral("importCounts"));
    counts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(counts);

    auto* heading = new QLabel(transferWords(notes.empty() ? "ui.noRows" : "ui.rowsHeading", language), this);
    heading->setObjectName(QStringLiteral("importRowsHeading"));
    heading->setWordWrap(true);
    layout->addWidget(heading);

    m_table = new QTableWidget(static_cast<int>(notes.size()), 3, this);
    m_table->setObjectName(QStringLiteral("importRows"));
    m_table->setHorizontalHeaderLabels({transferWords("ui.columnLine", language),
                                        transferWords("ui.columnWritten", language),
                                        transferWords(preview ? "ui.columnOutcomeDry" : "ui.columnOutcome", language)});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setAccessibleName(heading->text());
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const int row = static_cast<int>(i);
        auto* line = new QTableWidgetItem(QString::number(notes[i].line));
        line->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_table->setItem(row, 0, line);
        m_table->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(notes[i].written)));
        m_table->setItem(row, 2, new QTableWidgetItem(outcome(notes[i], language, preview)));
    }
    m_table->resizeColumnToContents(0);
    m_table->setColumnWidth(1, 220);
    m_table->setVisible(!notes.empty());
    layout->addWidget(m_table, 1);

    auto* buttons = new QDialogButtonBox(this);
    if (preview) {
        QPushButton* import = buttons->addButton(transferWords("ui.import", language), QDialogButtonBox::AcceptRole);
        import->setObjectName(QStringLiteral("importCommand"));
        import->setDefault(true);
        import->setEnabled(summary.written > 0);
        QPushButton* cancel = buttons->addButton(transferWords("ui.cancel", language), QDialogButtonBox::RejectRole);
        cancel->setObjectName(QStringLiteral("cancelCommand"));
        if (summary.written == 0) {
            cancel->setDefault(true);
        }
    } else {
        QPushButton* save = buttons->addButton(transferWords("ui.saveReport", language), QDialogButtonBox::ActionRole);
        save->setObjectName(QStringLiteral("saveReportCommand"));
        connect(save, &QPushButton::clicked, this, &ImportReportDialog::saveReport);
        QPushButton* close = buttons->addButton(transferWords("ui.close", language), QDialogButtonBox::AcceptRole);
        close->setObjectName(QStringLiteral("closeCommand"));
        close->setDefault(true);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(notes.empty() ? QSize(480, 200) : QSize(760, 460));
}

QString ImportReportDialog::reportText() const
{
    QString text = fillIn(transferWords("ui.reportHeading", m_language), {QDir::toNativeSeparators(m_filePath)});
    text += QLatin1Char('\n') + importCounts(m_summary, m_language) + QLatin1Char('\n');
    if (!m_notes.empty()) {
        text += QLatin1Char('\n');
    }
    for (const store::ImportNote& note : m_notes) {
        text += QString::fromStdString(store::describeNote(note, m_language, m_summary.dryRun)) + QLatin1Char('\n');
    }
    return text;
}

QByteArray ImportReportDialog::reportCsv() const
{
    std::string csv = store::transferText("ui.csvHeader", m_language, {}) + "\r\n";
    for (const store::ImportNote& note : m_notes) {
        csv += std::to_string(note.line) + ',' + store::csvField(note.written) + ',';
        csv += note.problem ? std::string() : store::csvField(note.name);
        csv += ',';
        csv += store::csvField(note.problem ? store::describeLeftOut(note, m_language)
                                            : store::describeCorrections(note, m_language));
        csv += "\r\n";
    }
    return QByteArray::fromStdString(csv);
}

void ImportReportDialog::saveReport()
{
    const QString filter = transferWords("ui.reportFilter", m_language);
    QString chosen;
    const QString suggestion =
        QDir::home().filePath(QFileInfo(m_filePath).completeBaseName() + transferWords("ui.reportSuffix", m_language));
    QString path = Notices::saveFileOfType(this, transferWords("ui.saveReportCaption", m_language), suggestion, filter,
                                           m_language, chosen);
    if (path.isEmpty()) {
        return;
    }
    const QString suffix = QFileInfo(path).suffix().toLower();
    bool csv = suffix == QLatin1String("csv");
    if (suffix != QLatin1String("csv") && suffix != QLatin1String("txt")) {
        csv = chosen.contains(QLatin1String("*.csv"));
        if (suffix.isEmpty()) {
            path += csv ? QStringLiteral(".csv") : QStringLiteral(".txt");
        }
    }
    QSaveFile file(path);
    const QByteArray bytes = csv ? reportCsv() : reportText().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        Notices::inform(this, fillIn(transferWords("ui.reportNotSaved", m_language),
                                     {QDir::toNativeSeparators(path), file.errorString()}));
        return;
    }
    Notices::inform(this, fillIn(transferWords("ui.reportSaved", m_language), {QDir::toNativeSeparators(path)}));
}

} // namespace quorvel::ui
