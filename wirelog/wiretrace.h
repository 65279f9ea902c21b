#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "exchange_record.h"
#include "regular_file.h"

// The trace file: every exchange appended as the wire monitor's rows, one
// text line each (WireRowLine), and flushed at once, so that the file is
// complete up to the last exchange even if the program dies.
class WireTrace : public ExchangeObserver {
public:
    WireTrace() = default;
    ~WireTrace() override;
    WireTrace(const WireTrace&) = delete;
    WireTrace& operator=(const WireTrace&) = delete;

    // Opens `path` for appending (created when missing) and writes a first
    // line "# <program> 开始跟踪 <date and time>". Only a regular file is
    // taken: a FIFO would block the program and a device (the module's own
    // line) would receive the text, so anything else is refused with *kind
    // telling what it is (kind may be null). Returns 0, or the errno of the
    // failure (nothing is traced then).
    int Open(const std::string& path, const std::string& program, FileKind* kind = nullptr);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }
    const std::string& path() const { return m_path; }

    // Called once, with the errno, when a write fails; the trace is closed
    // then. Must not start another exchange.
    void SetFailureHandler(std::function<void(int error)> handler) {
        m_onFailure = std::move(handler);
    }

    void OnExchange(const ExchangeRecord& record) override;

private:
    bool WriteText(const std::string& text);

    FILE* m_file = nullptr;
    std::string m_path;
    std::string m_text;
    std::function<void(int)> m_onFailure;
};
