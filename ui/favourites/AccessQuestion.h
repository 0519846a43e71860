#pragma once

#include "core/Language.h"

class QWidget;

namespace quorvel::ui {

/// When the favourites file the program would open is in the Access format, asks once per run whether to
/// convert it and, on yes, converts it and sums up what became of each record. "No" leaves everything as it is
/// for this run. Called by the windows that need the favourites file before they open it.
void offerAccessConversion(QWidget* parent, UiLanguage language);

/// Forgets this run's answer (for tests).
void forgetAccessAnswer();

} // namespace quorvel::ui
