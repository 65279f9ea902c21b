#include "mbap_reader.h"

#include "rtu_frame.h"

namespace {

// MBAP header: transaction (2), protocol (2), length (2), unit (1). The
// length counts the unit identifier and the PDU.
constexpr size_t kMbapHeader = 7;
constexpr size_t kLengthCovers = 1;  // the unit identifier inside the length
// An RTU PDU is at most 253 bytes: the length is at most 254.
constexpr size_t kMaxLength = 254;

uint16_t WordAt(const uint8_t* bytes) {
    return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

}  // namespace

void MbapReader::StartAnswer() {
    m_wireAnswer.clear();
    m_foreign = false;
}

void MbapReader::Feed(const uint8_t* bytes, size_t n, uint16_t transaction, bool dropping) {
    m_in.insert(m_in.end(), bytes, bytes + n);
    TakeFrames(transaction, dropping);
}

bool MbapReader::Read(uint8_t* buffer, size_t* got, size_t limit) {
    if (m_rtu.empty()) return false;
    size_t taken = 0;
    while (*got < limit && taken < m_rtu.size()) buffer[(*got)++] = m_rtu[taken++];
    m_rtu.erase(m_rtu.begin(), m_rtu.begin() + static_cast<long>(taken));
    return true;
}

bool MbapReader::DiscardAnswers() {
    const bool discarded = !m_rtu.empty();
    m_rtu.clear();
    return discarded;
}

bool MbapReader::DropBegunFrame() {
    if (m_in.empty()) return false;
    m_dropBegun = true;
    return true;
}

void MbapReader::TakeFrames(uint16_t transaction, bool dropping) {
    size_t used = 0;
    while (m_in.size() - used >= kMbapHeader - 1) {
        const uint8_t* frame = m_in.data() + used;
        const size_t length = WordAt(frame + 4);
        if (WordAt(frame + 2) != 0 || length <= kLengthCovers || length > kMaxLength) {
            if (!dropping) m_wireAnswer.insert(m_wireAnswer.end(), m_in.begin() + used, m_in.end());
            m_in.clear();
            m_dropBegun = false;
            return;
        }
        const size_t whole = kMbapHeader - 1 + length;
        if (m_in.size() - used < whole) break;
        if (!dropping && !m_dropBegun) {
            m_wireAnswer.insert(m_wireAnswer.end(), frame, frame + whole);
            if (WordAt(frame) != transaction) m_foreign = true;
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
