#include "ui/main/StartUp.h"

#include "ui/common/Windows.h"
#include "settings/Settings.h"

namespace quorvel::ui {

void startUp()
{
    SettingsPath = defaultSettingsPath();
    const UiLanguage language = readStartLanguage(SettingsPath);
    Windows::instance().show(WindowRole::About, language);
}

} // namespace quorvel::ui
