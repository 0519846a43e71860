#pragma once

namespace quorvel::ui {

// Tells the window registry how to make the main windows of both editions.
void registerMainWindows();

} // namespace quorvel::ui
