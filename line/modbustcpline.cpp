#include "modbustcpline.h"

#include "line_io.h"
#include "open_failure.h"

namespace {

// An RTU PDU is at most 253 bytes: the length is at most 254.
constexpr size_t kMaxLength = 254;
constexpr size_t kCrcLength = 2;
// Reads of a purge before it gives up on a server that never stops sending.
constexpr int kPurgeReads = 64;

}  // namespace

std::unique_ptr<ModbusTcpLine> ModbusTcpLine::Connect(const LineAddress& address, int timeoutMs,
                                                      const HostLookup& lookup,
                                                      SerialOpenFailure* failure) {
    int64_t roundTrip = 0;
    const int fd = ConnectTcp(address.host, address.port, timeoutMs, lookup, failure, &roundTrip);
    if (fd < 0) return nullptr;
    return std::unique_ptr<ModbusTcpLine>(new ModbusTcpLine(fd, roundTrip));
}

size_t ModbusTcpLine::Send(const uint8_t* bytes, size_t n, int64_t deadlineNs) {
    m_answers.StartAnswer();
    m_wireRequest.clear();
    // Address, function code and CRC at the least.
    if (n < 2 + kCrcLength || n - kCrcLength > kMaxLength) return 0;
    ++m_transaction;
    const size_t length = n - kCrcLength;  // unit identifier and PDU
    m_wireRequest = {
        static_cast<uint8_t>(m_transaction >> 8), static_cast<uint8_t>(m_transaction & 0xFF), 0, 0,
        static_cast<uint8_t>(length >> 8),        static_cast<uint8_t>(length & 0xFF)};
    m_wireRequest.insert(m_wireRequest.end(), bytes, bytes + length);
    const size_t sent =
        SocketSend(m_fd, m_wireRequest.data(), m_wireRequest.size(), deadlineNs, &m_gone);
    return sent == m_wireRequest.size() ? n : 0;
}

bool ModbusTcpLine::Receive(uint8_t* buffer, size_t* got, size_t limit, int64_t deadlineNs) {
    while (!m_answers.Read(buffer, got, limit)) {
        uint8_t chunk[512];
        const size_t n = SocketReceive(m_fd, chunk, sizeof chunk, deadlineNs, &m_gone);
        if (n == 0) return false;
        m_answers.Feed(chunk, n, m_transaction, false);
    }
    return true;
}

bool ModbusTcpLine::Purge() {
    bool discarded = m_answers.DiscardAnswers();
    uint8_t chunk[512];
    for (int i = 0; i < kPurgeReads; ++i) {
        const size_t n = ReceiveWaiting(chunk, sizeof chunk);
        if (n == 0) break;
        discarded = true;
        m_answers.Feed(chunk, n, m_transaction, true);
    }
    // A frame cut off here would be taken for the next answer when its rest
    // arrives.
    if (m_answers.DropBegunFrame()) discarded = true;
    return discarded;
}
