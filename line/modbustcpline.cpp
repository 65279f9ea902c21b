#include "modbustcpline.h"

#include "line_io.h"
#include "open_failure.h"
#include "rtu_frame.h"

namespace {

// MBAP header: transaction (2), protocol (2), length (2), unit (1). The
// length counts the unit identifier and the PDU.
constexpr size_t kMbapHeader = 7;
constexpr size_t kLengthCovers = 1;  // the unit identifier inside the length
// An RTU PDU is at most 253 bytes: the length is at most 254.
constexpr size_t kMaxLength = 254;
constexpr size_t kCrcLength = 2;
// Reads of a purge before it gives up on a server that never stops sending.
constexpr int kPurgeReads = 64;

uint16_t WordAt(const uint8_t* bytes) {
    return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

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
    m_wireAnswer.clear();
    m_foreign = false;
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

void ModbusTcpLine::TakeFrames(bool dropping) {
    size_t used = 0;
    while (m_in.size() - used >= kMbapHeader - 1) {
        const uint8_t* frame = m_in.data() + used;
        const size_t length = WordAt(frame + 4);
        if (WordAt(frame + 2) != 0 || length <= kLengthCovers || length > kMaxLength) {
            // Not a Modbus TCP frame: where the next one starts cannot be
            // told, so everything held goes.
            if (!dropping) m_wireAnswer.insert(m_wireAnswer.end(), m_in.begin() + used, m_in.end());
            m_in.clear();
            m_dropBegun = false;
            return;
        }
        const size_t whole = kMbapHeader - 1 + length;
        if (m_in.size() - used < whole) break;
        if (!dropping && !m_dropBegun) {
            m_wireAnswer.insert(m_wireAnswer.end(), frame, frame + whole);
            if (WordAt(frame) != m_transaction) m_foreign = true;
            const size_t start = m_rtu.size();
            m_rtu.insert(m_rtu.end(), frame + kMbapHeader - 1, frame + whole);
            const uint16_t crc = Crc16Modbus(m_rtu.data() + start, m_rtu.size() - start);
            m_rtu.push_back(static_cast<uint8_t>(crc & 0xFF));
            m_rtu.push_back(static_cast<uint8_t>(crc >> 8));
        }
        m_dropBegun = false;
        used += whole;
    }
    m_in.erase(m_in.begin(), m_in.begin() + static_cast<long>(used));
}

bool ModbusTcpLine::Receive(uint8_t* buffer, size_t* got, size_t limit, int64_t deadlineNs) {
    while (m_rtu.empty()) {
        uint8_t chunk[512];
        const size_t n = SocketReceive(m_fd, chunk, sizeof chunk, deadlineNs, &m_gone);
        if (n == 0) return false;
        m_in.insert(m_in.end(), chunk, chunk + n);
        TakeFrames(false);
    }
    size_t taken = 0;
    while (*got < limit && taken < m_rtu.size()) buffer[(*got)++] = m_rtu[taken++];
    m_rtu.erase(m_rtu.begin(), m_rtu.begin() + static_cast<long>(taken));
    return true;
}

bool ModbusTcpLine::Purge() {
    bool discarded = !m_rtu.empty();
    m_rtu.clear();
    uint8_t chunk[512];
    for (int i = 0; i < kPurgeReads; ++i) {
        const size_t n = ReceiveWaiting(chunk, sizeof chunk);
        if (n == 0) break;
        discarded = true;
        m_in.insert(m_in.end(), chunk, chunk + n);
    }
    TakeFrames(true);
    // A frame cut off here would be taken for the next answer when its rest
    // arrives.
    if (!m_in.empty()) {
        discarded = true;
        m_dropBegun = true;
    }
    return discarded;
}
