#pragma once

#include <QString>
#include <functional>

class QWidget;

// Every message box of the programs goes through here: modal, one OK button,
// the program's name (QCoreApplication::applicationName()) as caption.
void ShowMessage(QWidget* parent, const QString& text);

// Tests replace the box with a recorder; an empty function restores it.
using MessageSink = std::function<void(QWidget* parent, const QString& text)>;
// Returns the sink it replaces, so that recorders can nest.
MessageSink SetMessageSink(MessageSink sink);

// True while a message box (or a replacing sink) is being shown, so that
// timers can skip ticks instead of nesting.
bool IsMessageOpen();
