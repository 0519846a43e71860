#pragma once

#include "core/Language.h"

namespace quorvel::ui {

/// Puts Qt's own texts (standard buttons, file dialogs, the line editors' context menus) in the edition's
/// language: Qt's Spanish translation for the Spanish edition, Qt's built-in English for the English one.
/// Without the translation installed, Qt's English stays. Cheap when the language is already in use.
void useQtTextsOf(UiLanguage language);

/// Qt's own texts in the given edition's language for as long as it lives (a file dialog of that edition), then
/// back to what they were.
class QtTextsDuring
{
public:
    explicit QtTextsDuring(UiLanguage language);
    ~QtTextsDuring();
    QtTextsDuring(const QtTextsDuring&) = delete;
    QtTextsDuring& operator=(const QtTextsDuring&) = delete;

private:
    UiLanguage m_before;
};

} // namespace quorvel::ui
