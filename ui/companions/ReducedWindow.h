#pragma once

#include "core/FigureCoding.h"
#include "core/Language.h"
#include "ui/common/FigureShapes.h"
#include "ui/common/Texts.h"

#include <optional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace quorvel::ui {

/// The reduced window (frmPeti_Cast / frmPeti_Ang): a small strip with the name box and five click
/// targets that open the plain address and the four figure addresses of the typed name, a button back
/// to the main window and, where the platform offers it, a check box that keeps the strip in front.
class ReducedWindow final : public FigureCanvas
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReducedWindow)

public:
    explicit ReducedWindow(UiLanguage language);

    UiLanguage language() const { return m_language; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setupControls();
    void connectSignals();
    void load();

    /// Opens the address of a target: a figure target when kind is set, else the plain one.
    void openTarget(std::optional<FigureKind> kind);
    /// The address a target opens now, or none while the box is empty.
    QString targetAddress(std::optional<FigureKind> kind) const;
    void backToMain();

    UiLanguage m_language;
    EditionTexts m_texts;
    QLineEdit* m_box = nullptr;
    QPushButton* m_back = nullptr;
    QCheckBox* m_keepInFront = nullptr;
};

} // namespace quorvel::ui
