#include "trace_option.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "messages.h"
#include "wiretrace.h"

namespace {

QString CannotWrite(const QString& path, int error) {
    return QString::fromUtf8("无法写入跟踪文件 %1：%2。\n程序继续运行，不记录跟踪。")
        .arg(path, QString::fromLocal8Bit(std::strerror(error)));
}

void Tell(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    ShowMessage(nullptr, text);
}

}  // namespace

ProgramOptions ParseProgramOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Append every exchange to <file>."),
                                   QStringLiteral("file"));
    parser.addOption(trace);
    // Read by ParseQuitAfter; known here so that it is not taken as a mistake.
    parser.addOption(QCommandLineOption(QStringLiteral("quit-after"), QString(),
                                        QStringLiteral("ms")));
    ProgramOptions options;
    if (!parser.parse(arguments)) options.error = parser.errorText();
    options.tracePath = parser.value(trace);
    return options;
}

bool StartTrace(WireTrace* trace, const QString& path, const QString& program) {
    if (path.isEmpty()) return false;
    const int error = trace->Open(path.toLocal8Bit().toStdString(), program.toStdString());
    if (error != 0) {
        Tell(CannotWrite(path, error));
        return false;
    }
    trace->SetFailureHandler([path](int writeError) {
        // The failure is met inside an exchange: the box waits for the event
        // loop, so that no exchange runs under it.
        QTimer::singleShot(0, QCoreApplication::instance(),
                           [text = CannotWrite(path, writeError)] { Tell(text); });
    });
    return true;
}
