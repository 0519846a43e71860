#pragma once

namespace quorvel::ui {

// Each window module tells the window registry how to make its windows, once, at start.
void registerMainWindows();      // main windows (ui/main)
void registerAboutWindows();     // About windows (ui/companions)
void registerFavourites();       // favourites windows and the main window's save handler (ui/favourites)
void registerCompanionWindows(); // reduced, register and symbology windows (ui/companions)

inline void registerAllWindows()
{
    registerMainWindows();
    registerAboutWindows();
    registerFavourites();
    registerCompanionWindows();
}

} // namespace quorvel::ui
