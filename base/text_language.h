#pragma once

#include <string>

// The language of the programs' and quillon-cli's texts. Chinese is the
// programs' own; English is the one translation.
enum class TextLanguage { Chinese, English };

// The language a locale value names: "en", "en_US.UTF-8", "en:de" (a
// LANGUAGE list, its first entry) give English; anything else, "C",
// "POSIX" and "zh_CN.UTF-8" included, gives Chinese, which is also what a
// language without a translation falls back to.
TextLanguage LanguageOfLocale(const std::string& value);

// The language of this process's environment: the first of LANGUAGE,
// LC_ALL, LC_MESSAGES and LANG that is set and not empty decides; none set
// means Chinese.
TextLanguage LanguageFromEnvironment();

// The value of --lang: "zh" or "en". False for anything else.
bool ParseLanguageOption(const std::string& value, TextLanguage* language);

// The language every text of the core comes in. Set once at start, before
// any other thread runs; Chinese until then.
void SetTextLanguage(TextLanguage language);
TextLanguage CurrentTextLanguage();
