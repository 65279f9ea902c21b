#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The answers of a Modbus TCP gateway as their bytes arrive: each whole MBAP
// frame (transaction, protocol 0, length, unit identifier, PDU) becomes the
// RTU frame of its unit identifier and PDU with a CRC computed here. Bytes
// that cannot begin a frame go with everything held after them, since where
// the next frame would begin cannot be told.
class MbapReader {
public:
    // A request leaves: what the last answer's frames were is forgotten.
    void StartAnswer();
    // Received bytes for the answer to `transaction`. While dropping (a
    // purge) whole frames are taken and discarded.
    void Feed(const uint8_t* bytes, size_t n, uint16_t transaction, bool dropping);
    // Moves RTU bytes into buffer[*got, limit); false when none is ready.
    bool Read(uint8_t* buffer, size_t* got, size_t limit);
    // Discards the RTU bytes not yet read; true when there were some.
    bool DiscardAnswers();
    // After a purge: a frame begun and not yet whole is stale, and its rest
    // goes when it arrives. True when there was one.
    bool DropBegunFrame();

    // The MBAP frames of the last answer as they came, and whether one of
    // them carried another transaction.
    const std::vector<uint8_t>& WireAnswer() const { return m_wireAnswer; }
    bool AnswerForeign() const { return m_foreign; }
    // MBAP bytes not yet framed: never more than one frame's worth.
    size_t Held() const { return m_in.size(); }

private:
    void TakeFrames(uint16_t transaction, bool dropping);

    std::vector<uint8_t> m_in;
    std::vector<uint8_t> m_rtu;
    bool m_dropBegun = false;
    std::vector<uint8_t> m_wireAnswer;
    bool m_foreign = false;
};
