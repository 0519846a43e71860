#pragma once

#include "core/Language.h"

#include <QWidget>

#include <array>

class QLabel;
class QPushButton;
class QTimer;

namespace quorvel::ui {

class ClickableLabel;

/// The About window of one edition (frmAcerca_Cast / frmAcerca_Ang): the animated emblem, what Quorvel does and a
/// legal notice. It is the start-up window too; however it closes, the main window of its edition is shown.
class AboutWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutWindow)
    Q_PROPERTY(int conta READ conta)

public:
    explicit AboutWindow(UiLanguage language, QWidget* parent = nullptr);

    UiLanguage language() const { return m_language; }

    /// The frame counter: the number of the frame on show, 0 right after the last frame.
    int conta() const { return m_conta; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupControls();
    void load();
    void finishLoad();
    void discoverBrowser();
    QPixmap frame(int number);
    void nextFrame();
    void closeToMainWindow();
    void openHomePage();

    UiLanguage m_language;
    ClickableLabel* m_picture = nullptr;
    std::array<QLabel*, 18> m_images = {};
    QPushButton* m_accept = nullptr;
    QTimer* m_closeTimer = nullptr;     // Timer1
    QTimer* m_animationTimer = nullptr; // Timer2
    qint16 m_conta = 0;
    bool m_discovered = false;
    bool m_loadFinishing = false;
};

} // namespace quorvel::ui
