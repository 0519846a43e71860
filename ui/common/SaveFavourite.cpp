#include "ui/common/SaveFavourite.h"

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
    if (handler()) {
        handler()(owner, command, language, kind, name);
    }
}

} // namespace quorvel::ui
