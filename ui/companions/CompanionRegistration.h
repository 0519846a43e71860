#pragma once

namespace quorvel::ui {

// Tells the window registry how to make the About windows of both editions.
void registerAboutWindows();
// Tells the window registry how to make the reduced, register and symbology windows of both editions.
void registerCompanionWindows();

} // namespace quorvel::ui
