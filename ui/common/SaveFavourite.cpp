#include "ui/common/SaveFavourite.h"

#include "ui/common/Features.h"

namespace quorvel::ui {

namespace {

SaveFavouriteHandler& handler()
{
    static SaveFavouriteHandler h;
    return h;
}

} // namespace

void setSaveFavouriteHandler(SaveFavouriteHandler h)
{
    handler() = std::move(h);
}

void saveFavourite(QWidget* owner, QWidget* command, UiLanguage language, FigureKind kind, const QString& name)
{
    if (!handler()) {
        loadFeatures(language); // the favourites install the handler when they are loaded
    }
    if (handler()) {
        handler()(owner, command, language, kind, name);
    }
}

} // namespace quorvel::ui
