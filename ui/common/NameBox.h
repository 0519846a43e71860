#pragma once

#include "core/Language.h"

#include <QObject>

#include <functional>

class QLineEdit;

namespace quorvel::ui {

/// Keeps a name entry box within the name rules. On every change of its text it shows the notices of
/// that change once each, in order, each before its correction is written into the box; writing a
/// correction does not start a second run. Afterwards it hands the final text to the window.
class NameBox final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NameBox)

public:
    enum class NoticeStyle
    {
        Standard,
        ReducedWindow, ///< the English TooLong notice ends with one further blank
    };
    using Validated = std::function<void(const QString& finalText)>;

    NameBox(QLineEdit* box, UiLanguage language, NoticeStyle style, Validated validated);

    QLineEdit* box() const { return m_box; }

private:
    void onTextChanged(const QString& text);

    QLineEdit* m_box;
    UiLanguage m_language;
    NoticeStyle m_style;
    Validated m_validated;
    bool m_running = false;
};

} // namespace quorvel::ui
