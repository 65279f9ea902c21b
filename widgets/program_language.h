#pragma once

#include "text_language.h"

// Makes `language` the language of the core's texts, of the programs' own
// texts (the English translation is built into the programs) and of Qt's
// dialogs and standard buttons (from Qt's translations, when installed), so
// that one window never mixes two languages. Called after the application
// object exists and before any window is made; a second call replaces the
// first one's translators.
void ApplyProgramLanguage(TextLanguage language);
