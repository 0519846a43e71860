#include "ui/common/Features.h"

#include "ui/common/Notices.h"
#include "ui/common/Texts.h"

#include <QApplication>

#include <cstdio>

namespace quorvel::ui {

namespace {

struct FeatureState
{
    FeatureLoader loader;
    bool tried = false;
    QString failure; // what went wrong, once tried
};

FeatureState& state()
{
    static FeatureState s;
    return s;
}

} // namespace

void setFeatureLoader(FeatureLoader loader)
{
    state() = FeatureState{.loader = std::move(loader), .tried = false, .failure = {}};
}

bool loadFeatures(UiLanguage language)
{
    FeatureState& s = state();
    if (!s.loader) {
        return false;
    }
    if (!s.tried) {
        s.tried = true;
        s.failure = s.loader();
        if (!s.failure.isEmpty()) {
            std::fprintf(stderr, "quorvel: %s\n", qPrintable(s.failure));
        }
    }
    if (!s.failure.isEmpty()) {
        // Told each time: the user asked for a window or a save that cannot be had.
        Notices::inform(
            QApplication::activeWindow(),
            Texts::get(QStringLiteral("common"), QStringLiteral("featuresMissing"), language).arg(s.failure));
        return false;
    }
    return true;
}

} // namespace quorvel::ui
