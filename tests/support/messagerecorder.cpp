#include "messagerecorder.h"

#include "messages.h"

MessageRecorder::MessageRecorder()
    : m_previous(SetMessageSink(
          [this](QWidget*, const QString& text) { m_messages.append(text); })) {}

MessageRecorder::~MessageRecorder() { SetMessageSink(std::move(m_previous)); }
