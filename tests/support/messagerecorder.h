#pragma once

#include <QString>
#include <QStringList>

#include "messages.h"

// Replaces the message box for the lifetime of the recorder and keeps every
// text shown, in order.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    const QStringList& messages() const { return m_messages; }
    void clear() { m_messages.clear(); }
    bool contains(const QString& text) const { return m_messages.contains(text); }

private:
    QStringList m_messages;
    MessageSink m_previous;
};
