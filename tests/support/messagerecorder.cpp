#include "messagerecorder.h"

#include "messages.h"

MessageRecorder::MessageRecorder() {
    SetMessageSink([this](QWidget*, const QString& text) { m_messages.append(text); });
}

MessageRecorder::~MessageRecorder() { SetMessageSink({}); }
