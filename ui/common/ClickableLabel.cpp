#include "ui/common/ClickableLabel.h"

#include "ui/common/Accessibility.h"
#include "ui/common/Texts.h"
#include "ui/common/WindowManners.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>

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
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_label) {
            return false;
        }
        switch (event->type()) {
        case QEvent::ContextMenu:
            showMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
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

    void showMenu(const QPoint& globalPos)
    {
        auto* menu = new QMenu(m_label);
        menu->setObjectName(QStringLiteral("addressMenu"));
        menu->setAttribute(Qt::WA_DeleteOnClose);
        QAction* copy =
            menu->addAction(Texts::get(QStringLiteral("common"), QStringLiteral("copyAddress"), m_language));
        copy->setObjectName(QStringLiteral("copyAddress"));
        const QString whole = address();
        copy->setEnabled(!whole.isEmpty());
        connect(copy, &QAction::triggered, this, [whole] { QGuiApplication::clipboard()->setText(whole); });
        menu->popup(globalPos);
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
