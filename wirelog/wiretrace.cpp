#include "wiretrace.h"

#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "core_texts.h"
#include "regular_file.h"
#include "wire_log.h"

WireTrace::~WireTrace() {
    Close();
}

int WireTrace::Open(const std::string& path, const std::string& program, FileKind* kind) {
    Close();
    int error = 0;
    const int fd = OpenRegularFileForAppend(path, &error, kind);
    if (fd < 0) return error != 0 ? error : EIO;
    FILE* file = fdopen(fd, "a");
    if (file == nullptr) {
        error = errno != 0 ? errno : EIO;
        close(fd);
        return error;
    }
    m_file = file;
    m_path = path;

    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    // A device that takes the open but not the data (a full disk) is found
    // here, at start, rather than at the first exchange.
    errno = 0;
    if (!WriteText("# " + program + " " + CoreString(kTextTraceStart) + " " + stamp + "\n")) {
        const int error = errno != 0 ? errno : EIO;
        Close();
        return error;
    }
    return 0;
}

void WireTrace::Close() {
    if (m_file != nullptr) std::fclose(m_file);
    m_file = nullptr;
}

bool WireTrace::WriteText(const std::string& text) {
    const size_t written = std::fwrite(text.data(), 1, text.size(), m_file);
    return written == text.size() && std::fflush(m_file) == 0;
}

void WireTrace::OnExchange(const ExchangeRecord& record) {
    if (m_file == nullptr) return;
    m_text.clear();
    AppendWireLines(record, &m_text);
    errno = 0;
    if (WriteText(m_text)) return;
    const int error = errno != 0 ? errno : EIO;
    Close();
    if (m_onFailure) m_onFailure(error);
}
