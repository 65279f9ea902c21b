#include "program_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// The translators in force; a later call (a test switching languages)
// replaces them.
QTranslator* g_qtTranslator = nullptr;
QTranslator* g_ownTranslator = nullptr;

void Drop(QTranslator** translator) {
    if (*translator == nullptr) return;
    QCoreApplication::removeTranslator(*translator);
    delete *translator;
    *translator = nullptr;
}

}  // namespace

void ApplyProgramLanguage(TextLanguage language) {
    SetTextLanguage(language);
    Drop(&g_qtTranslator);
    Drop(&g_ownTranslator);
    const bool english = language == TextLanguage::English;
    g_qtTranslator = new QTranslator;
    if (g_qtTranslator->load(english ? QStringLiteral("qtbase_en") : QStringLiteral("qtbase_zh_CN"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(g_qtTranslator);
    // Chinese is the programs' source text: it needs no translator.
    if (!english) return;
    g_ownTranslator = new QTranslator;
    if (g_ownTranslator->load(QStringLiteral(":/i18n/quillon_en.qm")))
        QCoreApplication::installTranslator(g_ownTranslator);
}
