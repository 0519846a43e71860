#pragma once

#include "core/FigureCoding.h"
#include "core/Language.h"
#include "ui/common/Texts.h"
#include "ui/common/Windows.h"

#include <QMainWindow>

#include <array>
#include <optional>

class QLineEdit;
class QPushButton;

namespace quorvel::ui {

class ClickableLabel;
class NameBox;

/// The main window of one edition (frmPrin_Cast / frmPrin_Ang): the name box, the plain address and the four
/// figure addresses inside their outlines, the commands to the companion windows, the language switch and help.
class MainWindow final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    explicit MainWindow(UiLanguage language, QWidget* parent = nullptr);

    UiLanguage language() const { return m_language; }

    /// The register command: fills RegisterAddresses from the figure labels, then goes to the register window.
    void showRegister();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupControls();
    void setupMenus();
    void setupFocusOrder();
    void restoreName();

    void nameValidated(const QString& finalText);
    void openFigureAddress(FigureKind kind);
    void openPlainAddress();
    QString addressOf(std::optional<FigureKind> kind) const;
    void save(FigureKind kind);
    void goTo(WindowRole role);
    void switchLanguage();

    UiLanguage m_language;
    EditionTexts m_texts;
    QLineEdit* m_nameBox = nullptr;
    NameBox* m_rules = nullptr;
    ClickableLabel* m_plainLabel = nullptr;
    std::array<ClickableLabel*, 4> m_figureLabels = {};
    QPushButton* m_symbologyCommand = nullptr;
    QPushButton* m_registerCommand = nullptr;
    QPushButton* m_favouritesCommand = nullptr;
    std::array<QPushButton*, 4> m_saveCommands = {}; // in the order of FigureKind
    QList<QKeySequence> m_menuShortcuts;
};

} // namespace quorvel::ui
