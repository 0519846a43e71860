#include "ui/favourites/FavouritesRegistration.h"

#include "ui/common/SaveFavourite.h"
#include "ui/common/Windows.h"
#include "ui/favourites/AccessQuestion.h"
#include "ui/favourites/FavouritesWindow.h"
#include "ui/favourites/SaveFromMainWindow.h"

namespace quorvel::ui {

void registerFavourites()
{
    Windows::instance().setFactory(WindowRole::Favourites, [](UiLanguage language) -> QWidget* {
        // An Access favourites file is offered for conversion before the window opens the file.
        offerAccessConversion(nullptr, language);
        return new FavouritesWindow(language);
    });
    setSaveFavouriteHandler(&saveFromMainWindow);
}

} // namespace quorvel::ui
