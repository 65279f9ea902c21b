#include "trace_option.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "messages.h"
#include "errno_text.h"
#include "wiretrace.h"

namespace {

// What a path that is no regular file names, as the message says it.
const char* KindText(FileKind kind) {
    switch (kind) {
        case FileKind::Directory:
            return QT_TRANSLATE_NOOP("TraceOption", "它是文件夹");
        case FileKind::Fifo:
            return QT_TRANSLATE_NOOP("TraceOption", "它是命名管道 (FIFO)");
        case FileKind::CharDevice:
            return QT_TRANSLATE_NOOP("TraceOption", "它是字符设备（例如串口）");
        case FileKind::BlockDevice:
            return QT_TRANSLATE_NOOP("TraceOption", "它是块设备");
        case FileKind::Socket:
            return QT_TRANSLATE_NOOP("TraceOption", "它是套接字");
        case FileKind::Other:
        case FileKind::Missing:
        case FileKind::Regular:
            break;
    }
    return QT_TRANSLATE_NOOP("TraceOption", "它不是普通文件");
}

QString CannotWrite(const QString& path, int error, FileKind kind = FileKind::Missing) {
    const QString reason = kind == FileKind::Missing || kind == FileKind::Regular
                               ? QString::fromStdString(SystemErrorText(error))
                               : QCoreApplication::translate("TraceOption", KindText(kind)) +
                                     QCoreApplication::translate("TraceOption", "，不是普通文件");
    return QCoreApplication::translate("TraceOption",
                                       "无法写入跟踪文件 %1：%2。\n程序继续运行，不记录跟踪。")
        .arg(path, reason);
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
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOption(version);
    const QCommandLineOption lang(QStringLiteral("lang"),
                                  QStringLiteral("Language of the window: zh or en."),
                                  QStringLiteral("zh|en"));
    parser.addOption(lang);
    // Read by ParseQuitAfter; known here so that it is not taken as a mistake.
    parser.addOption(QCommandLineOption(QStringLiteral("quit-after"), QString(),
                                        QStringLiteral("ms")));
    ProgramOptions options;
    if (!parser.parse(arguments)) options.error = parser.errorText();
    options.tracePath = parser.value(trace);
    options.version = parser.isSet(version);
    options.language = LanguageFromEnvironment();
    if (parser.isSet(lang) &&
        !ParseLanguageOption(parser.value(lang).toStdString(), &options.language) &&
        options.error.isEmpty())
        options.error = QStringLiteral("--lang takes zh or en, not '%1'").arg(parser.value(lang));
    return options;
}

bool StartTrace(WireTrace* trace, const QString& path, const QString& program) {
    if (path.isEmpty()) return false;
    FileKind kind = FileKind::Missing;
    const int error = trace->Open(path.toLocal8Bit().toStdString(), program.toStdString(), &kind);
    if (error != 0) {
        Tell(CannotWrite(path, error, kind));
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
