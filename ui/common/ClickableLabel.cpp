#include "ui/common/ClickableLabel.h"

#include "ui/common/Accessibility.h"
#include "ui/common/Palettes.h"
#include "ui/common/Texts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>

namespace quorvel::ui {

namespace {

// The context menu and the tip of one address label; a child of the label, watching its events.
class AddressOffer final : public QObject
{
public:
    AddressOffer(QLabel* label, UiLanguage language, AddressSource source)
        : QObject(label), m_label(label), m_language(language), m_source(std::move(source))
    {
        setObjectName(QStringLiteral("addressOffer"));
        label->setContextMenuPolicy(Qt::DefaultContextMenu);
        label->installEventFilter(this);
        // A label that only offers its address still takes the focus, so that its menu is in reach of the
        // keyboard; a clickable label draws its own focus frame, any other shows a plain box while focused.
        if (qobject_cast<ClickableLabel*>(label) == nullptr) {
            label->setFocusPolicy(Qt::TabFocus); // a click leaves the focus where it is
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_label) {
            return false;
        }
        switch (event->type()) {
        case QEvent::ContextMenu:
            showMenu(static_cast<QContextMenuEvent*>(event));
            return true;
        case QEvent::KeyPress: {
            // The menu key, or Shift+F10, opens the menu where no platform turns them into a context menu event.
            const auto* key = static_cast<QKeyEvent*>(event);
            const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
            if ((key->key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
                (key->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
                const QPoint inside = m_label->rect().center();
                QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, inside, m_label->mapToGlobal(inside));
                showMenu(&menuEvent);
                return true;
            }
            return false;
        }
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            if (qobject_cast<ClickableLabel*>(m_label) == nullptr) {
                m_label->setFrameStyle(event->type() == QEvent::FocusIn ? QFrame::Box | QFrame::Plain
                                                                        : QFrame::NoFrame);
            }
            return false;
        case QEvent::ToolTip:
        case QEvent::Paint:
            // The text can change at any time; the tip follows it whenever the label is drawn or asked for it.
            updateTip();
            return false;
        default:
            return false;
        }
    }

private:
    QString address() const { return m_source ? m_source() : QString(); }

    void updateTip()
    {
        QString tip;
        if (textIsCut(m_label)) {
            tip = address();
            if (tip.isEmpty()) {
                tip = m_label->text();
            }
        }
        if (m_label->toolTip() != tip) {
            m_label->setToolTip(tip);
        }
    }

    void showMenu(const QContextMenuEvent* event)
    {
        if (auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            open != nullptr && open->parent() == m_label) {
            return; // already open: one key press, one menu
        }
        auto* menu = new QMenu(m_label);
        menu->setObjectName(QStringLiteral("addressMenu"));
        menu->setAttribute(Qt::WA_DeleteOnClose);
        QAction* copy =
            menu->addAction(Texts::get(QStringLiteral("common"), QStringLiteral("copyAddress"), m_language));
        copy->setObjectName(QStringLiteral("copyAddress"));
        const QString whole = address();
        copy->setEnabled(!whole.isEmpty());
        connect(copy, &QAction::triggered, this, [whole] { QGuiApplication::clipboard()->setText(whole); });
        if (event->reason() == QContextMenuEvent::Keyboard) {
            // From the menu key: under the label, its item ready for Return.
            menu->popup(m_label->mapToGlobal(m_label->rect().bottomLeft()));
            if (copy->isEnabled()) {
                menu->setActiveAction(copy);
            }
        } else {
            menu->popup(event->globalPos());
        }
    }

    QLabel* m_label;
    UiLanguage m_language;
    AddressSource m_source;
};

} // namespace

ClickableLabel::ClickableLabel(QWidget* parent) : QLabel(parent)
{
    installAccessibility();
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus); // a click leaves the focus where it is
}

void ClickableLabel::setAddressSource(UiLanguage language, AddressSource source)
{
    m_address = source;
    offerAddress(this, language, std::move(source));
}

QString ClickableLabel::address() const
{
    return m_address ? m_address() : QString();
}

void ClickableLabel::click()
{
    Q_EMIT clicked();
}

void ClickableLabel::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click) {
        Q_EMIT clicked();
    }
}

void ClickableLabel::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            event->accept();
            if (!event->isAutoRepeat()) {
                Q_EMIT clicked();
            }
            return;
        }
        break;
    default:
        break;
    }
    QLabel::keyPressEvent(event);
}

void ClickableLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus()) {
        return;
    }
    // A dashed frame just inside the edge, black or white, whichever stands out on the label's background; it
    // covers none of its text.
    const QColor background = palette().color(QPalette::Window);
    const QColor frame = contrastRatio(Qt::black, background) >= contrastRatio(Qt::white, background)
                             ? QColor(Qt::black)
                             : QColor(Qt::white);
    QPainter painter(this);
    QPen pen(frame, 1, Qt::DashLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void styleAsAddress(QLabel* label)
{
    setBackground(label, Colours::AddressYellow);
    setTextColour(label, Colours::Black);
    label->setAlignment(Qt::AlignCenter);
}

void offerAddress(QLabel* label, UiLanguage language, AddressSource source)
{
    delete label->findChild<QObject*>(QStringLiteral("addressOffer"), Qt::FindDirectChildrenOnly);
    new AddressOffer(label, language, std::move(source));
}

void nameAddressLabel(QWidget* label, UiLanguage language, std::optional<FigureKind> kind)
{
    const QString key = kind ? QStringLiteral("addressFigure%1").arg(static_cast<int>(figureIndex(*kind)) + 1)
                             : QStringLiteral("addressPlain");
    label->setAccessibleName(Texts::get(QStringLiteral("common"), key, language));
}

bool textIsCut(const QLabel* label)
{
    const QString text = label->text();
    if (text.isEmpty() || label->wordWrap()) {
        return false;
    }
    const int room = label->contentsRect().width() - 2 * label->margin() - qMax(label->indent(), 0);
    return label->fontMetrics().horizontalAdvance(text) > room;
}

} // namespace quorvel::ui
