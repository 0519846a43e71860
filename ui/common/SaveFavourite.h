#pragma once

#include "core/FigureCoding.h"
#include "core/Language.h"

#include <QString>

#include <functional>

class QWidget;

namespace quorvel::ui {

/// What the main window's four save commands call: keep name with the class of figure kind in the
/// favourites. The favourites install the handler when they are registered (at the first save at the latest,
/// see Features.h); owner is the main window (its own cursor over the table lives as long as it does), command
/// the save command that was used (the confirmation stands beside it).
using SaveFavouriteHandler =
    std::function<void(QWidget* owner, QWidget* command, UiLanguage language, FigureKind kind, const QString& name)>;

void setSaveFavouriteHandler(SaveFavouriteHandler handler);
void saveFavourite(QWidget* owner, QWidget* command, UiLanguage language, FigureKind kind, const QString& name);

} // namespace quorvel::ui
