#include "program_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

void ApplyProgramLanguage(TextLanguage language) {
    SetTextLanguage(language);
    const bool english = language == TextLanguage::English;
    // Owned by the application: they must live as long as any text is shown.
    auto* qt = new QTranslator(QCoreApplication::instance());
    if (qt->load(english ? QStringLiteral("qtbase_en") : QStringLiteral("qtbase_zh_CN"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    // Chinese is the programs' source text: it needs no translator.
    if (!english) return;
    auto* own = new QTranslator(QCoreApplication::instance());
    if (own->load(QStringLiteral(":/i18n/quillon_en.qm"))) QCoreApplication::installTranslator(own);
}
