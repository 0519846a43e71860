#pragma once

namespace quorvel::ui {

// Tells the window registry how to make the main windows of both editions.
void registerMainWindows();

// Tells the window registry how to make the About windows of both editions.
void registerAboutWindows();

} // namespace quorvel::ui
