#include "messages.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace {

MessageSink& Sink() {
    static MessageSink sink;
    return sink;
}

int g_openMessages = 0;

// Counts a box as open for the whole call, whichever way the call ends.
class OpenMessageGuard {
public:
    OpenMessageGuard() { ++g_openMessages; }
    ~OpenMessageGuard() { --g_openMessages; }
    OpenMessageGuard(const OpenMessageGuard&) = delete;
    OpenMessageGuard& operator=(const OpenMessageGuard&) = delete;
};

}  // namespace

void ShowMessage(QWidget* parent, const QString& text) {
    OpenMessageGuard guard;
    // A copy, so that a sink replacing itself while it runs stays alive.
    const MessageSink sink = Sink();
    if (sink) {
        sink(parent, text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text,
                    QMessageBox::Ok, parent ? parent->window() : nullptr);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
}

MessageSink SetMessageSink(MessageSink sink) {
    MessageSink previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}

bool IsMessageOpen() { return g_openMessages > 0; }
