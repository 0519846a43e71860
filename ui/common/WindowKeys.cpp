#include "ui/common/WindowKeys.h"

#include "ui/common/Help.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QWidget>

namespace quorvel::ui {

namespace {

constexpr char TopicProperty[] = "quorvelHelpTopic";
constexpr char LanguageProperty[] = "quorvelHelpLanguage";
constexpr char ContextProperty[] = "helpContext";

// The window with these rules that an object belongs to: itself or an ancestor. Popups (menus, the lists of
// drop-down boxes) are windows of their own whose parents lead back to the window that owns them.
QWidget* ownerWindow(QObject* object)
{
    for (QObject* o = object; o != nullptr; o = o->parent()) {
        if (o->isWidgetType() && o->property(TopicProperty).isValid()) {
            return static_cast<QWidget*>(o);
        }
    }
    return nullptr;
}

bool isF1(const QKeyEvent* key)
{
    return key->key() == Qt::Key_F1 && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool matchesMenuShortcut(QWidget* window, const QKeyEvent* key)
{
    const QKeySequence pressed(key->keyCombination());
    const QList<QAction*> actions = window->findChildren<QAction*>();
    for (const QAction* action : actions) {
        if (!action->isEnabled()) {
            continue;
        }
        for (const QKeySequence& shortcut : action->shortcuts()) {
            if (shortcut.matches(pressed) == QKeySequence::ExactMatch) {
                return true;
            }
        }
    }
    return false;
}

// The help context of what F1 is about: the highlighted item of an open menu or of the menu bar, else the control
// with the focus or the nearest of its parents that has one.
int contextOfItem(QWidget* window, QObject* receiver)
{
    QObject* item = qobject_cast<QMenu*>(receiver) != nullptr ? receiver : window->focusWidget();
    if (auto* menu = qobject_cast<QMenu*>(item)) {
        return WindowKeys::helpContext(menu->activeAction());
    }
    if (auto* bar = qobject_cast<QMenuBar*>(item)) {
        return WindowKeys::helpContext(bar->activeAction());
    }
    for (QObject* o = item; o != nullptr && o != window; o = o->parent()) {
        if (const int context = WindowKeys::helpContext(o); context != 0) {
            return context;
        }
    }
    return 0;
}

void openHelpOnItem(QWidget* window, QObject* receiver)
{
    const int context = contextOfItem(window, receiver);
    // The open menus close, as after a choice: the help window comes in front.
    for (int i = 0; i < 8; ++i) {
        QWidget* popup = QApplication::activePopupWidget();
        if (popup == nullptr) {
            break;
        }
        popup->close();
    }
    const auto language = static_cast<UiLanguage>(window->property(LanguageProperty).toInt());
    const int topic = context != 0 ? context : window->property(TopicProperty).toInt();
    if (topic != 0) {
        Help::showTopic(window, language, topic);
    } else {
        Help::showContents(window, language);
    }
}

// One filter for the whole program: key events reach it before the focused control and before the shortcuts.
class KeyFilter final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if ((type != QEvent::ShortcutOverride && type != QEvent::KeyPress) || !watched->isWidgetType()) {
            return false;
        }
        auto* key = static_cast<QKeyEvent*>(event);
        QWidget* window = ownerWindow(watched);
        if (window == nullptr) {
            return false;
        }
        if (isF1(key)) {
            if (type == QEvent::ShortcutOverride) {
                key->accept(); // F1 comes as a key press to this filter, not as any item's shortcut
            } else {
                openHelpOnItem(window, watched);
            }
            return true;
        }
        if (type == QEvent::ShortcutOverride && static_cast<QWidget*>(watched)->window() == window &&
            matchesMenuShortcut(window, key)) {
            key->ignore(); // not taken by the control: the shortcut goes to its menu item
            return true;
        }
        return false;
    }
};

void installFilter()
{
    static QPointer<KeyFilter> filter;
    if (filter.isNull() && qApp != nullptr) {
        filter = new KeyFilter(qApp);
        qApp->installEventFilter(filter);
    }
}

} // namespace

void WindowKeys::install(QWidget* window, UiLanguage language, int topic)
{
    window->setProperty(TopicProperty, topic);
    window->setProperty(LanguageProperty, static_cast<int>(language));
    installFilter();
}

void WindowKeys::setHelpContext(QObject* item, int context)
{
    if (item != nullptr && context != 0) {
        item->setProperty(ContextProperty, context);
    }
}

int WindowKeys::helpContext(const QObject* item)
{
    return item != nullptr ? item->property(ContextProperty).toInt() : 0;
}

} // namespace quorvel::ui
