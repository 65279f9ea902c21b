#pragma once

#include <QString>
#include <QStringList>

#include "text_language.h"

class WireTrace;

// The programs' command-line options: --trace FILE (or --trace=FILE), append
// every exchange to FILE; --version, print the name and version and end;
// --lang zh|en, the language of the window instead of the locale's.
// --quit-after is read elsewhere (quit_after.h); toolkit options are not read.
struct ProgramOptions {
    QString tracePath;     // empty: no trace
    bool version = false;  // --version given
    TextLanguage language = TextLanguage::Chinese;  // --lang, else the locale's
    QString error;         // what was wrong with the command line, if anything
};

// `arguments` as the program got them, the program's name first.
ProgramOptions ParseProgramOptions(const QStringList& arguments);

// Opens the trace for `program` when a path was given. When the file cannot
// be written the technician is told once, through a message box and on
// stderr, and the program goes on without a trace (false). A write that fails
// later is told the same way, once, and ends the trace.
bool StartTrace(WireTrace* trace, const QString& path, const QString& program);
