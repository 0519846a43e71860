#include "ui/common/Texts.h"

#include "core/TextTable.h"

#include <QtDebug>

namespace quorvel::ui {

QString Texts::get(const QString& role, const QString& key, UiLanguage language)
{
    const QByteArray roleUtf8 = role.toUtf8();
    const QByteArray keyUtf8 = key.toUtf8();
    const auto text =
        findText(std::string_view(roleUtf8.constData(), static_cast<std::size_t>(roleUtf8.size())),
                 std::string_view(keyUtf8.constData(), static_cast<std::size_t>(keyUtf8.size())), language);
    if (!text.has_value()) {
        // A programming error that no user should meet: critical, so that a test run (which makes critical
        // messages fatal) stops here instead of passing with the placeholder in a window.
        qCritical("Missing text %s:%s", roleUtf8.constData(), keyUtf8.constData());
        return QStringLiteral("<%1:%2>").arg(role, key);
    }
    return QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size()));
}

} // namespace quorvel::ui
