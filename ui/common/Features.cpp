#include "ui/common/Features.h"

#include "ui/common/FeaturePlugin.h"
#include "ui/common/Notices.h"
#include "ui/common/Texts.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QPluginLoader>

#include <cstdio>

namespace quorvel::ui {

namespace {

enum class Failure
{
    None,
    Missing, ///< no file where the plugin belongs
    Unfit,   ///< a file that is not the plugin of this version, or cannot be loaded
};

struct FeatureState
{
    QString path;
    FeaturePlugin* features = nullptr;
    bool tried = false;
    Failure failure = Failure::None;
};

FeatureState& state()
{
    static FeatureState s;
    return s;
}

void complain(const QString& line)
{
    std::fprintf(stderr, "quorvel: %s\n", qPrintable(line));
}

void load(FeatureState& s)
{
    const QString shown = QDir::toNativeSeparators(s.path);
    if (!QFileInfo(s.path).isFile()) {
        s.failure = Failure::Missing;
        complain(QStringLiteral("the feature plugin %1 is missing").arg(shown));
        return;
    }
    QPluginLoader loader(s.path);
    // The interface and its version are read from the file before any of its code is loaded.
    const QString iid = loader.metaData().value(QStringLiteral("IID")).toString();
    if (iid != QLatin1String(QUORVEL_FEATURE_PLUGIN_IID)) {
        s.failure = Failure::Unfit;
        complain(iid.isEmpty() ? QStringLiteral("%1 is not a Qt plugin").arg(shown)
                               : QStringLiteral("%1 is a plugin of another version (%2, this program needs %3)")
                                     .arg(shown, iid, QStringLiteral(QUORVEL_FEATURE_PLUGIN_IID)));
        return;
    }
    auto* features = qobject_cast<FeaturePlugin*>(loader.instance()); // stays loaded for the whole run
    if (features == nullptr) {
        s.failure = Failure::Unfit;
        complain(QStringLiteral("cannot load %1: %2").arg(shown, loader.errorString()));
        return;
    }
    s.features = features;
}

} // namespace

void setFeaturePluginPath(const QString& path)
{
    state() = FeatureState{.path = QDir::cleanPath(path), .features = nullptr, .tried = false, .failure = {}};
}

void useFeatures(FeaturePlugin* features)
{
    FeatureState& s = state();
    s.features = features;
    s.tried = features != nullptr;
    s.failure = Failure::None;
}

FeaturePlugin* features(UiLanguage language)
{
    FeatureState& s = state();
    if (s.features != nullptr || s.path.isEmpty()) {
        return s.features;
    }
    if (!s.tried) {
        s.tried = true;
        load(s);
    }
    if (s.features != nullptr) {
        return s.features;
    }
    // Told each time: the user asked for a window, a save or a print that cannot be had.
    const QString key =
        s.failure == Failure::Missing ? QStringLiteral("featuresMissing") : QStringLiteral("featuresUnfit");
    Notices::inform(QApplication::activeWindow(),
                    Texts::get(QStringLiteral("common"), key, language).arg(QDir::toNativeSeparators(s.path)));
    return nullptr;
}

} // namespace quorvel::ui
