// The entry of the module of features: the program calls it once, when one of them is first used.
#include "ui/availability/AvailabilityRegistration.h"
#include "ui/favourites/FavouritesRegistration.h"
#include "ui/printing/Printing.h"

extern "C" __attribute__((visibility("default"))) void quorvel_register_features()
{
    quorvel::ui::registerFavourites();
    quorvel::ui::registerPrinting();
    quorvel::ui::registerAvailabilityWindows();
}
