#include "app/FeatureModule.h"

#include <QCoreApplication>
#include <QLibrary>

QString loadFeatureModule()
{
    // The module's place is fixed relative to the program's folder, in the build folder as when installed.
    const QString path =
        QCoreApplication::applicationDirPath() + QLatin1Char('/') + QStringLiteral(QUORVEL_FEATURE_MODULE);
    QLibrary module(path);
    // Every symbol is resolved at once, so a module that does not fit the program fails here and not later.
    module.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!module.load()) {
        return module.errorString();
    }
    using Entry = void (*)();
    const auto registerFeatures = reinterpret_cast<Entry>(module.resolve("quorvel_register_features"));
    if (registerFeatures == nullptr) {
        return module.errorString();
    }
    registerFeatures(); // the module stays loaded for as long as the program runs
    return {};
}
