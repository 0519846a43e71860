#pragma once

namespace quorvel::ui {

// Tells the window registry how to make the favourites windows, and installs the main window's save handler.
void registerFavourites();

} // namespace quorvel::ui
