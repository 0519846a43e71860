#pragma once

#include "core/Language.h"

namespace quorvel::ui {

/// Puts Qt's own texts (standard buttons, file dialogs, the line editors' context menus) in the edition's
/// language: Qt's Spanish translation for the Spanish edition, Qt's built-in English for the English one.
/// Without the translation installed, Qt's English stays. Cheap when the language is already in use.
void useQtTextsOf(UiLanguage language);

} // namespace quorvel::ui
