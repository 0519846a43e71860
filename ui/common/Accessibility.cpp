#include "ui/common/Accessibility.h"

#include "ui/common/ClickableLabel.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace quorvel::ui {

namespace {

// An address label (or any clickable label): a link named by its text, or by its address when it shows none,
// whose press action does what a click does.
class AccessibleClickableLabel final : public QAccessibleWidget
{
public:
    explicit AccessibleClickableLabel(ClickableLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

    QString text(QAccessible::Text t) const override
    {
        const ClickableLabel* l = label();
        switch (t) {
        case QAccessible::Name: {
            // The address itself first: the labels of one window often show the same name.
            const QString whole = l->address();
            if (!whole.isEmpty()) {
                return whole;
            }
            return !l->accessibleName().isEmpty() ? l->accessibleName() : l->text();
        }
        case QAccessible::Description: {
            if (!l->accessibleDescription().isEmpty()) {
                return l->accessibleDescription();
            }
            // What the address stands for, when the name is the address.
            return !l->address().isEmpty() ? l->accessibleName() : QString();
        }
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& actionName) override
    {
        if (actionName == pressAction()) {
            if (label()->isEnabled()) {
                label()->click();
            }
            return;
        }
        QAccessibleWidget::doAction(actionName);
    }

private:
    ClickableLabel* label() const { return static_cast<ClickableLabel*>(widget()); }
};

// The nearest class of Qt's own that a class derives from.
const char* qtBaseClass(const QMetaObject* meta)
{
    while (meta != nullptr && qstrncmp(meta->className(), "quorvel::", 9) == 0) {
        meta = meta->superClass();
    }
    return meta != nullptr ? meta->className() : "";
}

QAccessibleInterface* programAccessibility(const QString& className, QObject* object)
{
    if (object == nullptr || !object->isWidgetType()) {
        return nullptr;
    }
    // Asked for each class from the most derived one down; only the first question is answered here, so that
    // Qt's own interfaces serve every other widget.
    if (className != QLatin1String(object->metaObject()->className())) {
        return nullptr;
    }
    if (auto* label = qobject_cast<ClickableLabel*>(object)) {
        return new AccessibleClickableLabel(label);
    }
    auto* widget = static_cast<QWidget*>(object);
    // A window made from a plain widget would otherwise be a mere "filler".
    if (widget->isWindow() && qstrcmp(qtBaseClass(object->metaObject()), "QWidget") == 0) {
        const Qt::WindowType type = widget->windowType();
        const bool dialog = type == Qt::Dialog || type == Qt::Tool;
        return new QAccessibleWidget(widget, dialog ? QAccessible::Dialog : QAccessible::Window);
    }
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static bool installed = false;
    if (!installed) {
        installed = true;
        QAccessible::installFactory(programAccessibility);
    }
}

void nameIconButtons(QWidget* window)
{
    const QList<QAbstractButton*> buttons = window->findChildren<QAbstractButton*>();
    for (QAbstractButton* button : buttons) {
        if (button->text().isEmpty() && button->accessibleName().isEmpty() && !button->toolTip().isEmpty()) {
            button->setAccessibleName(button->toolTip());
        }
    }
}

} // namespace quorvel::ui
