#pragma once

#include "availability/Answer.h"
#include "core/Language.h"
#include "ui/common/Texts.h"

#include <QHash>
#include <QSet>
#include <QTimer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quorvel::ui {

/// The availability window (frmDisp_Cast / frmDisp_Ang): the five .com domains of the current name and the
/// plain name under the other endings the user chose, each with its registration status. It follows the main
/// window's name; nothing is looked up until the user asks (the check command, or check-as-I-type).
class AvailabilityWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AvailabilityWindow)

public:
    explicit AvailabilityWindow(UiLanguage language);

    UiLanguage language() const { return m_language; }

    /// The wait after the last keystroke before check-as-I-type asks, in milliseconds.
    static constexpr int TypingPauseMs = 600;

    /// The text of the other endings as typed (handed to the other edition's window on a language switch).
    QString endingsText() const;
    void setEndingsText(const QString& text);
    /// Takes this place on the screen instead of finding one beside the main window.
    void setPlacement(const QRect& geometry);

    /// The number of rows the list shows without scrolling at its smallest.
    static constexpr int VisibleRows = 10;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setupControls();
    void connectSignals();
    void rebuild();
    void somethingTyped();
    void check();
    void answered(const QString& domain, const availability::Answer& answer);
    void showAnswer(QTreeWidgetItem* item, const availability::Answer& answer);
    void showPlain(QTreeWidgetItem* item, const QString& text);
    void updateBusy();
    void saveEndings();
    void placeBesideMain();
    void handOverTo(UiLanguage language);

    UiLanguage m_language;
    EditionTexts m_texts;
    QLabel* m_name = nullptr;
    QLineEdit* m_endings = nullptr;
    QPushButton* m_check = nullptr;
    QCheckBox* m_asYouType = nullptr;
    QTreeWidget* m_list = nullptr;
    QProgressBar* m_busy = nullptr;
    QTimer m_typingTimer;
    QHash<QString, QTreeWidgetItem*> m_rows; // by domain
    QSet<QString> m_waiting;                 // domains asked about and not yet answered
    bool m_placed = false;
    bool m_shownBefore = false;
};

/// Where the other endings are remembered: $XDG_CONFIG_HOME/quorvel/availability.ini.
QString availabilitySettingsPath();

} // namespace quorvel::ui
