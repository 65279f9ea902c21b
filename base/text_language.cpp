#include "text_language.h"

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<TextLanguage> g_language{TextLanguage::Chinese};

}  // namespace

TextLanguage LanguageOfLocale(const std::string& value) {
    const std::string first = value.substr(0, value.find(':'));
    const std::string code = first.substr(0, first.find_first_of("_.@"));
    return code == "en" ? TextLanguage::English : TextLanguage::Chinese;
}

TextLanguage LanguageFromEnvironment() {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return LanguageOfLocale(value);
    }
    return TextLanguage::Chinese;
}

bool ParseLanguageOption(const std::string& value, TextLanguage* language) {
    if (value == "zh") {
        *language = TextLanguage::Chinese;
        return true;
    }
    if (value == "en") {
        *language = TextLanguage::English;
        return true;
    }
    return false;
}

void SetTextLanguage(TextLanguage language) {
    g_language.store(language);
}

TextLanguage CurrentTextLanguage() {
    return g_language.load();
}
