// A plugin that looks like the feature plugin of another version: the same interface name, another version.
#include <QObject>
#include <QtPlugin>

class WrongVersionPlugin final : public QObject
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "com.quorvel.Quorvel.FeaturePlugin/0")
};

#include "WrongVersionPlugin.moc"
