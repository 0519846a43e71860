#include "ui/common/Windows.h"

#include "ui/common/Accessibility.h"
#include "ui/common/FeaturePlugin.h"
#include "ui/common/Features.h"
#include "ui/common/Icons.h"
#include "ui/common/Placement.h"
#include "ui/common/QtTexts.h"
#include "ui/common/X11Hints.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

namespace quorvel::ui {

namespace {

// Names the picture-only buttons once every control of the window exists: when it is first shown.
class NameButtonsOnFirstShow final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched == parent()) {
            nameIconButtons(static_cast<QWidget*>(watched));
            watched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }
};

// Gives the application its icon once the first window has been painted on screen: decoding the icon's
// pictures would otherwise hold back the first window. Every window without an icon of its own shows the
// application's.
class IconAfterFirstPaint final : public QObject
{
public:
    explicit IconAfterFirstPaint(QWidget* window) : QObject(window), m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && event->type() == QEvent::Show && m_window->windowHandle() != nullptr) {
            m_window->removeEventFilter(this);
            m_window->windowHandle()->installEventFilter(this); // exposures reach the native window
        } else if (watched == m_window->windowHandle() && event->type() == QEvent::Expose &&
                   m_window->windowHandle()->isExposed()) {
            watched->removeEventFilter(this);
            // Queued: the exposure paints the window first.
            QTimer::singleShot(0, qApp, [] {
                if (QGuiApplication::windowIcon().isNull()) {
                    QGuiApplication::setWindowIcon(applicationIcon());
                }
            });
            deleteLater();
        }
        return false;
    }

private:
    QWidget* m_window;
};

} // namespace

void setupProgramWindow(QWidget* window, const QString& objectName, const QString& caption, WindowButtons buttons)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setObjectName(objectName);
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    switch (buttons) {
    case WindowButtons::CloseOnly:
        flags |= Qt::Window | Qt::WindowSystemMenuHint;
        break;
    case WindowButtons::MinimiseAndClose:
        flags |= Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint;
        break;
    case WindowButtons::ToolCloseOnly:
        flags |= Qt::Tool;
        break;
    }
    window->setWindowFlags(flags);
    window->setWindowTitle(caption);
    if (QGuiApplication::windowIcon().isNull()) {
        window->installEventFilter(new IconAfterFirstPaint(window));
    }
    centreWhenFirstShown(window);
    installAccessibility();
    window->installEventFilter(new NameButtonsOnFirstShow(window));
    if (buttons == WindowButtons::ToolCloseOnly) {
        keepOutOfTaskbar(window);
    }
}

Windows& Windows::instance()
{
    static Windows* windows = new Windows; // lives until the process ends, beyond QApplication
    return *windows;
}

void Windows::setFactory(WindowRole role, Factory factory)
{
    m_factories[role] = std::move(factory);
}

QWidget* Windows::find(WindowRole role, UiLanguage language) const
{
    const auto it = m_loaded.find({role, language});
    return it == m_loaded.end() ? nullptr : it->second.data();
}

QWidget* Windows::show(WindowRole role, UiLanguage language)
{
    if (m_ending) {
        return nullptr;
    }
    useQtTextsOf(language); // the window's standard buttons and dialogs speak its edition's language
    QWidget* window = find(role, language);
    if (window == nullptr) {
        const auto factory = m_factories.find(role);
        if (factory != m_factories.end() && factory->second) {
            window = factory->second(language);
        } else if (FeaturePlugin* plugin = features(language)) { // the plugin's windows
            window = plugin->createWindow(role, language);
        }
        if (window == nullptr) {
            return nullptr;
        }
        track(role, language, window);
    }
    Q_EMIT aboutToShow(window);
    window->show();
    if (window->isMinimized()) {
        window->showNormal();
    }
    window->raise();
    window->activateWindow();
    return window;
}

void Windows::close(WindowRole role, UiLanguage language)
{
    if (QWidget* window = find(role, language)) {
        window->close();
    }
}

void Windows::unloaded(QWidget* window)
{
    // Also called when a window is destroyed: by then its guard is already null.
    std::erase_if(m_loaded, [window](const auto& entry) { return entry.second.isNull() || entry.second == window; });
    checkEmpty();
}

void Windows::unloadedBackToMain(QWidget* window, UiLanguage language)
{
    unloaded(window);
    show(WindowRole::Main, language);
}

int Windows::loadedCount() const
{
    int count = 0;
    for (const auto& [key, window] : m_loaded) {
        count += window.isNull() ? 0 : 1;
    }
    return count;
}

void Windows::endProgram()
{
    m_ending = true;
    for (auto& [key, window] : m_loaded) {
        if (!window.isNull()) {
            window->hide();
        }
    }
    Q_EMIT endRequested();
}

void Windows::reset()
{
    auto loaded = std::move(m_loaded);
    m_loaded.clear();
    for (auto& [key, window] : loaded) {
        delete window.data();
    }
    m_ending = false;
    m_emptyReported = false;
}

bool Windows::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        for (const auto& [key, window] : m_loaded) {
            if (window == watched) {
                useQtTextsOf(key.second);
                break;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void Windows::track(WindowRole role, UiLanguage language, QWidget* window)
{
    m_loaded[{role, language}] = window;
    m_emptyReported = false;
    window->installEventFilter(this); // its activation brings Qt's texts of its edition
    connect(window, &QObject::destroyed, this, [this, window] { unloaded(window); });
}

void Windows::checkEmpty()
{
    // Decided once the current event is handled: a closing window usually shows its successor first.
    if (m_checkQueued) {
        return;
    }
    m_checkQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_checkQueued = false;
        if (loadedCount() == 0 && !m_ending && !m_emptyReported) {
            m_emptyReported = true; // once per time the program runs out of windows
            Q_EMIT allWindowsClosed();
        }
    });
}

} // namespace quorvel::ui
