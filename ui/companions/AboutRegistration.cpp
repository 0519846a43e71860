#include "ui/common/Windows.h"
#include "ui/companions/AboutWindow.h"
#include "ui/companions/CompanionRegistration.h"

namespace quorvel::ui {

void registerAboutWindows()
{
    Windows::instance().setFactory(WindowRole::About,
                                   [](UiLanguage language) -> QWidget* { return new AboutWindow(language); });
}

} // namespace quorvel::ui
