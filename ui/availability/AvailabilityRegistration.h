#pragma once

namespace quorvel::ui {

// Tells the window registry how to make the availability windows of both editions.
void registerAvailabilityWindows();

} // namespace quorvel::ui
