#pragma once

#include <memory>
#include <vector>

#include "mbap_reader.h"
#include "tcpline.h"

// A Modbus TCP to RTU gateway. Everything above the line sees RTU frames:
// each request (CRC included) goes out as an MBAP frame (transaction
// identifier, protocol 0, length, unit identifier = the RTU address) with
// the CRC left off, and each MBAP answer comes back as the RTU frame of its
// unit identifier and PDU with a CRC computed here. An answer must repeat
// the transaction identifier of its request; one that does not is still
// handed up, marked foreign, so that the exchange fails as inconsistent. The
// gateway owns the serial line and its settings.
class ModbusTcpLine : public TcpLine {
public:
    static std::unique_ptr<ModbusTcpLine> Connect(const LineAddress& address, int timeoutMs,
                                                  const HostLookup& lookup,
                                                  SerialOpenFailure* failure);

    size_t Send(const uint8_t* bytes, size_t n, int64_t deadlineNs) override;
    bool Receive(uint8_t* buffer, size_t* got, size_t limit, int64_t deadlineNs) override;
    bool Purge() override;

    const std::vector<uint8_t>& WireRequest() const override { return m_wireRequest; }
    const std::vector<uint8_t>& WireAnswer() const override { return m_answers.WireAnswer(); }
    bool AnswerForeign() const override { return m_answers.AnswerForeign(); }
    uint16_t TransactionId() const { return m_transaction; }

private:
    ModbusTcpLine(int fd, int64_t roundTripNs) : TcpLine(fd, roundTripNs) {}

    uint16_t m_transaction = 0;
    MbapReader m_answers;
    std::vector<uint8_t> m_wireRequest;
};
