#pragma once

#include "core/FigureCoding.h"
#include "core/Language.h"

#include <QString>

class QWidget;

namespace quorvel::ui {

/// What the main window's four save commands call: keep name with the class of figure kind in the
/// favourites, which the feature plugin serves (see Features.h); owner is the main window (its own cursor over
/// the table lives as long as it does), command the save command that was used (the confirmation stands beside
/// it).
void saveFavourite(QWidget* owner, QWidget* command, UiLanguage language, FigureKind kind, const QString& name);

} // namespace quorvel::ui
