#include "ui/main/MainRegistration.h"

#include "ui/common/Windows.h"
#include "ui/main/MainWindow.h"

namespace quorvel::ui {

void registerMainWindows()
{
    Windows::instance().setFactory(WindowRole::Main,
                                   [](UiLanguage language) -> QWidget* { return new MainWindow(language); });
}

} // namespace quorvel::ui
