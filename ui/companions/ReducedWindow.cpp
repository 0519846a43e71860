#include "ui/companions/ReducedWindow.h"

#include "core/NameRules.h"
#include "core/SharedState.h"
#include "launch/Browser.h"
#include "ui/common/ClickableLabel.h"
#include "ui/common/Closing.h"
#include "ui/common/Editions.h"
#include "ui/common/Icons.h"
#include "ui/common/NameBox.h"
#include "ui/common/Palettes.h"
#include "ui/common/Twips.h"
#include "ui/common/Windows.h"
#include "ui/companions/KeepInFront.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <array>

namespace quorvel::ui {

namespace {

// What one edition of the window has of its own besides its texts: names and places (twips). The English
// edition's frame texts stand 50 twips lower and its button is narrower.
struct ReducedEdition
{
    const char* window;
    const char* nameBox;
    const char* wwwLabel;
    const char* plainTarget;
    const char* figureTargetPrefix; ///< the figure targets are this and the figure's order number, 1 to 4
    TwipsPlace www, box, com, command, check, targetCom;
    std::array<TwipsPlace, 4> targets;
};

constexpr EditionTable<ReducedEdition> Editions{
    .spanish =
        {
            .window = "frmPeti_Cast",
            .nameBox = "txtpAdreca",
            .wwwLabel = "Label1",
            .plainTarget = "lblpAdrecaCom",
            .figureTargetPrefix = "lblpAdreca",
            .www = {240, 0, 735, 255},
            .box = {1080, 0, 3495, 285},
            .com = {4680, 0, 615, 255},
            .command = {5400, 120, 1095, 615},
            .check = {5520, 840, 855, 195},
            .targetCom = {240, 720, 495, 255},
            .targets = {{{1200, 720, 495, 255}, {2280, 720, 495, 255}, {3360, 720, 495, 255}, {4560, 720, 495, 255}}},
        },
    .english =
        {
            .window = "frmPeti_Ang",
            .nameBox = "txtpaAdreca",
            .wwwLabel = "Label3",
            .plainTarget = "lblpaAdrecaCom",
            .figureTargetPrefix = "lblpaAdreca",
            .www = {240, 50, 735, 255},
            .box = {1080, 0, 3495, 285},
            .com = {4680, 50, 615, 255},
            .command = {5400, 120, 975, 615},
            .check = {5520, 840, 855, 195},
            .targetCom = {240, 720, 495, 255},
            .targets = {{{1200, 720, 495, 255}, {2280, 720, 495, 255}, {3360, 720, 495, 255}, {4560, 720, 495, 255}}},
        },
};

constexpr int ClientWidth = 6555;
constexpr int ClientHeight = 1170;
constexpr int OutlineWidth = 3;

// The outline around each figure target, in twips, in the order of the figure kinds.
std::array<FigureOutline, 4> targetOutlines()
{
    return {
        FigureOutline::rectangle(QRectF(1080, 600, 735, 495)),
        FigureOutline::ellipse(QRectF(2160, 600, 735, 495)),
        FigureOutline::polygon(QPolygonF({{3120, 1080}, {3600, 480}, {4080, 1080}})),
        FigureOutline::polygon(QPolygonF({{4440, 720},
                                          {4440, 960},
                                          {4680, 1080},
                                          {4920, 1080},
                                          {5160, 960},
                                          {5160, 720},
                                          {4920, 600},
                                          {4680, 600}})),
    };
}

// A command button whose caption wraps onto a second line when it is wider than the button, as the
// narrow "Formulario grande" button needs. Its text (and so its mnemonic) is the caption as given.
class WrappingButton final : public QPushButton
{
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* /*event*/) override
    {
        QPainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        const QString caption = option.text;
        option.text.clear();
        style()->drawControl(QStyle::CE_PushButton, &option, &painter, this);
        const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
        style()->drawItemText(&painter, area, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, palette(),
                              isEnabled(), caption, QPalette::ButtonText);
    }
};

QString utf8(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

ReducedWindow::ReducedWindow(UiLanguage language)
    : FigureCanvas(nullptr), m_language(language), m_texts(QStringLiteral("reduced"), language)
{
    setupProgramWindow(this, QString::fromLatin1(Editions.edition(language).window), m_texts("caption"),
                       WindowButtons::MinimiseAndClose);
    useLightLook(this);
    setClientSizeTwips(this, ClientWidth, ClientHeight);

    setupControls();
    connectSignals();
    load();
}

void ReducedWindow::setupControls()
{
    const ReducedEdition& edition = Editions.edition(m_language);
    const QFont frameFont = arialFont(9.75, true);

    // The name box first: it is first in the focus order.
    m_box = new QLineEdit(this);
    m_box->setObjectName(QString::fromLatin1(edition.nameBox));
    m_box->setGeometry(twipsRect(edition.box));
    m_box->setFont(frameFont);

    auto* www = new QLabel(m_texts("www"), this);
    www->setObjectName(QString::fromLatin1(edition.wwwLabel));
    www->setGeometry(twipsRect(edition.www));
    www->setFont(frameFont);

    auto* com = new QLabel(m_texts("com"), this);
    com->setObjectName(QStringLiteral("Label2"));
    com->setGeometry(twipsRect(edition.com));
    com->setFont(frameFont);

    m_back = new WrappingButton(m_texts("Command1"), this);
    m_back->setObjectName(QStringLiteral("Command1"));
    m_back->setGeometry(twipsRect(edition.command));
    m_back->setToolTip(m_texts("Command1.tip"));
    m_back->setFont(arialFont(8.25));

    m_keepInFront = new QCheckBox(m_texts("Check_VFlot"), this);
    m_keepInFront->setObjectName(QStringLiteral("Check_VFlot"));
    m_keepInFront->setGeometry(twipsRect(edition.check));
    m_keepInFront->setFont(arialFont(8.25));
    m_keepInFront->hide(); // until the load decides

    auto* plain = new ClickableLabel(this);
    plain->setObjectName(QString::fromLatin1(edition.plainTarget));
    plain->setGeometry(twipsRect(edition.targetCom));
    styleAsAddress(plain);
    connect(plain, &ClickableLabel::clicked, this, [this] { openTarget(std::nullopt); });
    plain->setAddressSource(m_language, [this] { return targetAddress(std::nullopt); });
    nameAddressLabel(plain, m_language, std::nullopt);
    QWidget* previous = m_keepInFront;
    setTabOrder(previous, plain); // the address labels follow the ordered controls
    previous = plain;

    const std::array<FigureOutline, 4> outlines = targetOutlines();
    for (FigureKind kind : AllFigureKinds) {
        const std::size_t i = figureIndex(kind);
        addOutline(outlines[i], OutlineWidth);
        auto* target = new ClickableLabel(this);
        target->setObjectName(QString::fromLatin1(edition.figureTargetPrefix) + QString::number(figureOrder(kind)));
        target->setGeometry(twipsRect(edition.targets[i]));
        styleAsAddress(target);
        connect(target, &ClickableLabel::clicked, this, [this, kind] { openTarget(kind); });
        target->setAddressSource(m_language, [this, kind] { return targetAddress(kind); });
        nameAddressLabel(target, m_language, kind);
        setTabOrder(previous, target);
        previous = target;
    }
}

void ReducedWindow::connectSignals()
{
    // Validation only: nothing follows it in this window.
    new NameBox(m_box, m_language, NameBox::NoticeStyle::ReducedWindow, {});
    connect(m_back, &QPushButton::clicked, this, &ReducedWindow::backToMain);
    // However the box changes (mouse, keyboard, an assistive technology's toggle), the stacking follows it.
    connect(m_keepInFront, &QCheckBox::toggled, this,
            [this](bool checked) { KeepInFront::current().setKeptInFront(this, checked); });
}

void ReducedWindow::load()
{
    m_box->setText(utf8(CurrentName)); // a change: the box's validation runs on it
    m_box->setFocus();
    m_keepInFront->setChecked(false);
    m_keepInFront->setVisible(KeepInFront::current().supported());
}

QString ReducedWindow::targetAddress(std::optional<FigureKind> kind) const
{
    const std::string typed = m_box->text().toStdString();
    if (typed.empty()) {
        return {};
    }
    // The name stays as typed in the address; only the code is computed from its lower-case form.
    return utf8(kind.has_value() ? figureAddressWithCode(*kind, typed, asciiLower(typed)) : plainAddress(typed));
}

void ReducedWindow::openTarget(std::optional<FigureKind> kind)
{
    const QString address = targetAddress(kind);
    if (address.isEmpty()) {
        return;
    }
    openInBrowser(address.toStdString());
}

void ReducedWindow::backToMain()
{
    CurrentName = asciiLower(m_box->text().toStdString());
    Windows::instance().show(WindowRole::Main, m_language);
    close();
}

void ReducedWindow::closeEvent(QCloseEvent* event)
{
    // The close box hands nothing on and does not bring the main window back.
    acceptClose(this, event, m_language, AfterClose::NothingMore);
}

} // namespace quorvel::ui
