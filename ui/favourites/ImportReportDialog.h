#pragma once

#include "core/Language.h"
#include "store/Transfer.h"

#include <QDialog>

#include <vector>

class QTableWidget;

namespace quorvel::ui {

/// The rows of an import that were corrected or left out, in a table (line, as written, as saved or why left
/// out), with the counts above it. Before the import it asks whether to go on ("Import" / "Cancel"); after it,
/// the same report can be saved as a text or CSV file.
class ImportReportDialog final : public QDialog
{
    Q_OBJECT

public:
    enum class Stage
    {
        Preview, ///< nothing written yet: Import or Cancel
        Done,    ///< written: Save report... or Close
    };

    ImportReportDialog(QWidget* parent, Stage stage, const QString& filePath, const store::ImportSummary& summary,
                       const std::vector<store::ImportNote>& notes, UiLanguage language);

    /// The report as text: a heading, the counts, then one line per row.
    QString reportText() const;
    /// The report as CSV: line, as written, saved as, why left out.
    QByteArray reportCsv() const;

private:
    void saveReport();

    Stage m_stage;
    QString m_filePath;
    const store::ImportSummary& m_summary;
    const std::vector<store::ImportNote>& m_notes;
    UiLanguage m_language;
    QTableWidget* m_table = nullptr;
};

/// A text of the import and export dialogs (resources/texts/transfer.tsv).
QString transferWords(const char* key, UiLanguage language);

/// The counts of an import, one per line, each starting with a capital.
QString importCounts(const store::ImportSummary& summary, UiLanguage language);

} // namespace quorvel::ui
