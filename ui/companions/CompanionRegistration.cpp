#include "ui/companions/CompanionRegistration.h"

#include "ui/common/Windows.h"
#include "ui/companions/ReducedWindow.h"
#include "ui/companions/RegisterWindow.h"
#include "ui/companions/SymbologyWindow.h"

namespace quorvel::ui {

void registerCompanionWindows()
{
    Windows& windows = Windows::instance();
    windows.setFactory(WindowRole::Reduced, [](UiLanguage language) { return new ReducedWindow(language); });
    windows.setFactory(WindowRole::Register, [](UiLanguage language) { return new RegisterWindow(language); });
    windows.setFactory(WindowRole::Symbology, [](UiLanguage language) { return new SymbologyWindow(language); });
}

} // namespace quorvel::ui
