#pragma once

namespace quorvel::ui {

/// Works out SettingsPath, reads the start language from the settings file and shows the About window of that
/// language; the main window of the same language follows when the About window closes.
void startUp();

} // namespace quorvel::ui
