#include "ui/common/SaveFavourite.h"

#include "ui/common/FeaturePlugin.h"
#include "ui/common/Features.h"

namespace quorvel::ui {

void saveFavourite(QWidget* owner, QWidget* command, UiLanguage language, FigureKind kind, const QString& name)
{
    if (FeaturePlugin* plugin = features(language)) { // a plugin that cannot be had is told there
        plugin->saveFavourite(owner, command, language, kind, name);
    }
}

} // namespace quorvel::ui
