#include "ui/common/Windows.h"
#include "ui/main/AboutWindow.h"
#include "ui/main/MainRegistration.h"

namespace quorvel::ui {

void registerAboutWindows()
{
    Windows::instance().setFactory(WindowRole::About,
                                   [](UiLanguage language) -> QWidget* { return new AboutWindow(language); });
}

} // namespace quorvel::ui
