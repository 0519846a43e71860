#include "ui/availability/AvailabilityRegistration.h"

#include "ui/availability/AvailabilityWindow.h"
#include "ui/common/Windows.h"

namespace quorvel::ui {

void registerAvailabilityWindows()
{
    Windows::instance().setFactory(WindowRole::Availability,
                                   [](UiLanguage language) -> QWidget* { return new AvailabilityWindow(language); });
}

} // namespace quorvel::ui
