#pragma once

#include "core/Language.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <utility>

namespace quorvel::ui {

/// The roles a window can play; each exists at most once per edition.
enum class WindowRole
{
    Main,
    About,
    Favourites,
    Reduced,
    Register,
    Symbology,
    Availability,
};

/// The title-bar buttons of a program window; none has a maximise box.
enum class WindowButtons
{
    CloseOnly,        ///< a fixed frame with the close box
    MinimiseAndClose, ///< a frame with minimise and close boxes
    ToolCloseOnly,    ///< a small tool frame with the close box, kept out of the task bar
};

/// Makes a widget one of the program's windows: unloaded (deleted) when it closes, found by its object
/// name, with its caption, the program's icon and the given title-bar buttons, centred when first shown.
void setupProgramWindow(QWidget* window, const QString& objectName, const QString& caption, WindowButtons buttons);

/// Knows which windows are loaded. Showing a role creates its window when it is not loaded; a window
/// counts as unloaded from the moment its close is accepted. When the last window has gone, it says so
/// (the program then ends). Ending the program at once hides everything without any close handling.
class Windows final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Windows)

public:
    using Factory = std::function<QWidget*(UiLanguage)>;

    static Windows& instance();

    /// How a role's window is made, for either edition. The window should have Qt::WA_DeleteOnClose set.
    void setFactory(WindowRole role, Factory factory);

    /// The loaded window of a role and edition, or nullptr.
    QWidget* find(WindowRole role, UiLanguage language) const;

    /// Creates the window if it is not loaded, shows it modeless and brings it to the front.
    /// Returns nullptr once the program is ending, or when neither a factory of the role nor the feature plugin
    /// (Features.h) makes the window.
    QWidget* show(WindowRole role, UiLanguage language);

    /// Closes (unloads) the window of a role and edition if it is loaded, running its close handling.
    void close(WindowRole role, UiLanguage language);

    /// A window calls this when its close is accepted, before its own unload work.
    void unloaded(QWidget* window);

    /// The close handling of the windows that bring the main window of their edition back.
    void unloadedBackToMain(QWidget* window, UiLanguage language);

    /// The number of loaded windows.
    int loadedCount() const;

    /// Ends the program at once: no window's close handling runs and nothing is shown any more.
    void endProgram();

    bool isEnding() const { return m_ending; }

    /// For tests: deletes every window without close handling and clears the ending state.
    void reset();

Q_SIGNALS:
    /// show() is about to show a window, loaded just now or before; a window that takes what it shows from the
    /// program's shared state reads it again here.
    void aboutToShow(QWidget* window);
    /// The last loaded window has gone.
    void allWindowsClosed();
    /// endProgram() was called.
    void endRequested();

protected:
    /// The window the user turns to sets the language of Qt's own texts to its edition.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Windows() = default;
    void track(WindowRole role, UiLanguage language, QWidget* window);
    void checkEmpty();

    std::map<WindowRole, Factory> m_factories;
    std::map<std::pair<WindowRole, UiLanguage>, QPointer<QWidget>> m_loaded;
    bool m_ending = false;
    bool m_checkQueued = false;
    bool m_emptyReported = false;
};

} // namespace quorvel::ui
