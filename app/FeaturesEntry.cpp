// The entry of the module of features: the program calls it once, when one of them is first used.
#include "ui/availability/AvailabilityRegistration.h"
#include "ui/companions/CompanionRegistration.h"
#include "ui/favourites/FavouritesRegistration.h"

extern "C" __attribute__((visibility("default"))) void quorvel_register_features()
{
    quorvel::ui::registerFavourites();
    quorvel::ui::registerCompanionWindows();
    quorvel::ui::registerAvailabilityWindows();
}
