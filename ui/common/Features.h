#pragma once

#include "core/Language.h"

#include <QString>

#include <functional>

namespace quorvel::ui {

/// The favourites, the printing and the availability window are loaded by the program when they are first
/// used, so that the first window appears without the libraries behind them (SQLite, printing, the
/// network). The loader makes them known to the window registry, the save command and the print commands, and
/// returns the empty text, or says what went wrong. Without a loader (the tests register every window directly) what is
/// registered is all there is.
using FeatureLoader = std::function<QString()>;

void setFeatureLoader(FeatureLoader loader);

/// Runs the loader the first time it is called; a failure goes to standard error once, and to the user in a
/// notice in the edition's language each time a window, a save or a print needs the features. True when they are
/// loaded.
bool loadFeatures(UiLanguage language);

} // namespace quorvel::ui
