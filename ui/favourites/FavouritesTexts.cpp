#include "ui/favourites/FavouritesTexts.h"

#include "store/FavouritesStore.h"
#include "ui/common/Texts.h"

#include <QDir>

namespace quorvel::ui {

QString favouritesText(const char* key, UiLanguage language)
{
    return Texts::get(QStringLiteral("favourites"), QString::fromUtf8(key), language);
}

QString fillIn(const QString& text, const QStringList& values)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size() && text[i + 1].isDigit()) {
            const int number = text[i + 1].digitValue();
            if (number >= 1 && number <= values.size()) {
                out += values[number - 1];
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

QString kindName(FigureKind kind, UiLanguage language)
{
    const QByteArray key = "kind" + QByteArray::number(figureOrder(kind));
    return favouritesText(key.constData(), language);
}

QString problemReason(const store::StoreFailure& failure, const QString& filePath, UiLanguage language)
{
    const QByteArray key = QByteArray("reason.") + store::storeProblemName(failure.problem());
    return fillIn(favouritesText(key.constData(), language),
                  {QDir::toNativeSeparators(filePath), QString::fromUtf8(failure.what())});
}

} // namespace quorvel::ui
