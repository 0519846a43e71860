#include "ui/availability/AvailabilityRegistration.h"

#include "ui/availability/AvailabilityWindow.h"
#include "ui/common/Windows.h"

namespace quorvel::ui {

void registerAvailabilityWindows()
{
    Windows::instance().setFactory(WindowRole::Availability, [](UiLanguage language) -> QWidget* {
        // One window per run, whatever the edition: the other edition's window hands over its endings and its
        // place, then closes (the name is the program's, so it comes along by itself).
        const UiLanguage other = language == UiLanguage::Spanish ? UiLanguage::English : UiLanguage::Spanish;
        auto* previous = qobject_cast<AvailabilityWindow*>(Windows::instance().find(WindowRole::Availability, other));
        auto* window = new AvailabilityWindow(language);
        if (previous != nullptr) {
            window->setEndingsText(previous->endingsText());
            const QRect geometry = previous->geometry();
            Windows::instance().close(WindowRole::Availability, other);
            window->setPlacement(geometry);
        }
        return window;
    });
}

} // namespace quorvel::ui
