// The feature plugin, quorvel-features.so: the features of ui/features behind the interface of
// ui/common/FeaturePlugin.h, for QPluginLoader.
#include "ui/common/FeaturePlugin.h"
#include "ui/features/FeatureSet.h"

#include <QObject>

namespace quorvel::ui {

class FeaturesPlugin final : public QObject, public FeatureSet
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QUORVEL_FEATURE_PLUGIN_IID)
    Q_INTERFACES(quorvel::ui::FeaturePlugin)
};

} // namespace quorvel::ui

#include "FeaturesPlugin.moc"
