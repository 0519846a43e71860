#pragma once

#include "core/Language.h"

#include <QString>

namespace quorvel::ui {

class FeaturePlugin;

/// The one way to the feature plugin (ui/common/FeaturePlugin.h): the window registry, the save commands and
/// the print commands ask here when they first need it.

/// Where the program's plugin lies; the program sets it at start. The path is kept cleaned
/// ("…/bin/../lib/…" becomes "…/lib/…"), as the user may be shown it.
void setFeaturePluginPath(const QString& path);

/// Features already in the process (tests, tools built with them); nullptr goes back to loading the plugin.
void useFeatures(FeaturePlugin* features);

/// The features, loaded from the plugin at the first call. When they cannot be had, each call tells the user
/// so in one notice in the edition's language, naming the plugin's file, and returns nullptr; what went wrong in
/// detail goes to standard error once. Without a plugin path and without features in place: nullptr, silently.
FeaturePlugin* features(UiLanguage language);

} // namespace quorvel::ui
