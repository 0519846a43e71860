#include "ui/common/CurrentNameSignal.h"

#include "core/SharedState.h"

namespace quorvel::ui {

CurrentNameSignal& CurrentNameSignal::instance()
{
    static CurrentNameSignal* signal = new CurrentNameSignal; // lives until the process ends, like CurrentName
    return *signal;
}

void CurrentNameSignal::set(const std::string& name)
{
    if (CurrentName == name) {
        return;
    }
    CurrentName = name;
    Q_EMIT changed();
}

} // namespace quorvel::ui
