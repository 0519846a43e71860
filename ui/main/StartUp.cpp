#include "ui/main/StartUp.h"

#include "settings/Settings.h"
#include "ui/common/Windows.h"

namespace quorvel::ui {

void startUp()
{
    SettingsPath = defaultSettingsPath();
    const UiLanguage language = readStartLanguage(SettingsPath);
    Windows::instance().show(WindowRole::About, language);
}

} // namespace quorvel::ui
