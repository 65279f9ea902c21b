#pragma once

#include "text_language.h"

// The core's texts in one language while it lives, in the one before it
// afterwards. The language is a process-wide setting: make the guard before
// any thread that builds texts starts, or where none runs.
class TextLanguageGuard {
public:
    explicit TextLanguageGuard(TextLanguage language) : m_before(CurrentTextLanguage()) {
        SetTextLanguage(language);
    }
    ~TextLanguageGuard() { SetTextLanguage(m_before); }
    TextLanguageGuard(const TextLanguageGuard&) = delete;
    TextLanguageGuard& operator=(const TextLanguageGuard&) = delete;

private:
    TextLanguage m_before;
};
