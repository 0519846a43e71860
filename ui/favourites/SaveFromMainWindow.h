#pragma once

#include "core/FigureCoding.h"
#include "core/Language.h"

#include <QString>

class QWidget;

namespace quorvel::ui {

/// The main window's save commands: keeps name with the class of figure kind in the favourites, through a
/// cursor that belongs to the owner (opened at its first save, released when the owner is destroyed).
/// A save kept or already there is confirmed by a short-lived tip beside command, the save command used; a
/// save refused or not kept is explained in a notice that names the file.
void saveFromMainWindow(QWidget* owner, QWidget* command, UiLanguage language, FigureKind kind, const QString& name);

/// The number of main windows that hold a cursor for saving (for tests).
int savingCursorCount();

/// How long the tip that confirms a save stays, in milliseconds.
inline constexpr int SaveTipMs = 2500;

} // namespace quorvel::ui
