#include "ui/common/NameBox.h"

#include "core/NameRules.h"
#include "ui/common/Notices.h"

#include <QLineEdit>
#include <QPointer>

namespace quorvel::ui {

NameBox::NameBox(QLineEdit* box, UiLanguage language, NoticeStyle style, Validated validated)
    : QObject(box), m_box(box), m_language(language), m_style(style), m_validated(std::move(validated))
{
    connect(box, &QLineEdit::textChanged, this, &NameBox::onTextChanged);
}

void NameBox::onTextChanged(const QString& text)
{
    if (m_running) {
        return; // our own correction being written: part of the run in progress
    }
    m_running = true;
    std::u32string current = text.toStdU32String();
    const std::vector<NameStep> steps = validateName(current);
    QPointer<QLineEdit> box = m_box;
    for (const NameStep& step : steps) {
        const std::string message = m_style == NoticeStyle::ReducedWindow ? reducedWindowNoticeText(step, m_language)
                                                                          : noticeText(step, m_language);
        Notices::inform(box->window(), QString::fromStdString(message));
        if (box.isNull()) {
            return; // the window went away while the notice was shown
        }
        applyNameStep(current, step);
        const QString corrected = QString::fromStdU32String(current);
        // The insertion point stays where the removed character stood (at the end after a cut).
        const std::size_t before =
            step.notice == NameNotice::TooLong
                ? current.size()
                : std::min<std::size_t>(static_cast<std::size_t>(step.position - 1), current.size());
        const auto cursor = static_cast<int>(QString::fromStdU32String(current.substr(0, before)).size());
        box->setText(corrected);
        box->setCursorPosition(cursor);
    }
    m_running = false;
    if (m_validated) {
        m_validated(box->text());
    }
}

} // namespace quorvel::ui
