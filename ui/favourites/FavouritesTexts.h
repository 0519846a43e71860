#pragma once

#include "core/FigureCoding.h"
#include "core/Language.h"
#include "store/FavouritesCursor.h"

#include <QString>
#include <QStringList>

namespace quorvel::ui {

/// The texts of the favourites window and of the saves, from resources/texts/favourites.tsv.
QString favouritesText(const char* key, UiLanguage language);

/// Replaces %1, %2, ... in one pass, so that a substituted text holding "%" is left alone.
QString fillIn(const QString& text, const QStringList& values);

/// The class of figure as named in questions and messages ("four-sided polygon", ...).
QString kindName(FigureKind kind, UiLanguage language);

/// Why the favourites file could not take a change, naming the file.
QString problemReason(const store::StoreFailure& failure, const QString& filePath, UiLanguage language);

} // namespace quorvel::ui
