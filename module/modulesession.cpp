#include "modulesession.h"

#include <time.h>

#include <algorithm>
#include <cstring>

#include "cserialport.h"
#include "response_check.h"

namespace {

constexpr uint8_t kReadHolding = 3;
constexpr uint8_t kWriteSingle = 6;
constexpr uint8_t kWriteMultiple = 16;
// Address, function code and byte count before the data of a read answer.
constexpr size_t kReadHeader = 3;
constexpr size_t kReadOverhead = 5;
constexpr size_t kChangeFieldSize = 2 * reg::kChangeFieldCount;
constexpr size_t kErrorMessageSize = 2 * reg::kErrorMessageCount;
constexpr size_t kDeviceInfoOffset = 20;

int64_t ClockNs(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

uint16_t WordAt(const uint8_t* bytes) { return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]); }

}  // namespace

ModuleSession::ModuleSession(CSerialPort* port) : m_port(port) { m_request.slave = 1; }

void ModuleSession::SetPort(CSerialPort* port) { m_port = port; }

bool ModuleSession::IsOpen() const { return m_port != nullptr && m_port->IsOpen(); }

void ModuleSession::AddObserver(ExchangeObserver* observer) {
    if (observer != nullptr &&
        std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void ModuleSession::RemoveObserver(ExchangeObserver* observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer),
                      m_observers.end());
}

// --- the exchange -----------------------------------------------------------

int ModuleSession::Exchange(uint8_t function, uint16_t start, uint16_t quantity,
                            const uint8_t* data, size_t dataLength) {
    // Exchanges run one at a time; one started while another is still open
    // (from a nested event loop) would mix two answers on the line.
    if (m_depth++ > 0) ++m_nestedExchanges;
    ++m_exchanges;

    const bool observed = !m_observers.empty();
    const int64_t startMono = observed ? ClockNs(CLOCK_MONOTONIC) : 0;
    const int64_t startWall = observed ? ClockNs(CLOCK_REALTIME) : 0;

    m_request.slave = 1;
    m_request.function = function;
    m_request.start = start;
    m_request.quantity = quantity;
    m_request.port = m_port;
    m_received = 0;
    int status = kModbusOk;
    if (dataLength == 0) {
        m_request.dataLength = 0;
    } else if (!SetRequestData(m_request, data, dataLength)) {
        status = kModbusRequestTooLarge;
    }
    if (status == kModbusOk) {
        m_request.frameLength = 0;
        status = ModbusTransact(m_request, m_response, &m_received);
    }
    // A refused request has no frame on the wire.
    if (status != kModbusOk) m_request.frameLength = 0;

    m_lastVerdict = ClassifyAnswer(status, m_request.frame, m_request.frameLength, m_response,
                                   m_received, ExpectedResponseLength(m_request),
                                   &m_lastExceptionCode);
    if (status == kModbusOk) {
        // What only the line knows: nothing but a copy of the write came
        // back and the echo is unknown; or a gateway's answer that belongs
        // to another transaction.
        if (m_lastVerdict == ExchangeVerdict::Timeout && m_port->LastCopyUndecided())
            m_lastVerdict = ExchangeVerdict::EchoUndecided;
        else if (m_received > 0 && m_port->LastAnswerForeign())
            m_lastVerdict = ExchangeVerdict::Inconsistent;
    }
    if (observed) Notify(status, startMono, startWall, ClockNs(CLOCK_MONOTONIC));
    --m_depth;
    return status;
}

void ModuleSession::Notify(int status, int64_t startMono, int64_t startWall, int64_t endMono) {
    uint8_t sent[kModbusMaxFrame + 2] = {};
    size_t sentLength = 0;
    if (m_request.frameLength > 0) {
        std::memcpy(sent, m_request.frame, m_request.frameLength);
        const uint16_t crc = Crc16Modbus(m_request.frame, m_request.frameLength);
        sentLength = m_request.frameLength;
        sent[sentLength++] = static_cast<uint8_t>(crc & 0xFF);
        sent[sentLength++] = static_cast<uint8_t>(crc >> 8);
    }
    ExchangeRecord record;
    record.request = sent;
    record.requestLength = sentLength;
    record.answer = m_response;
    record.answerLength = m_received;
    record.echoLength = m_port != nullptr && status == kModbusOk ? m_port->LastEchoLength() : 0;
    record.echo = record.echoLength > 0 ? m_port->LastEcho() : nullptr;
    if (m_port != nullptr && status == kModbusOk) {
        const std::vector<uint8_t>& wireRequest = m_port->LastWireRequest();
        const std::vector<uint8_t>& wireAnswer = m_port->LastWireAnswer();
        if (!wireRequest.empty()) {
            record.wireRequest = wireRequest.data();
            record.wireRequestLength = wireRequest.size();
            record.wireAnswer = wireAnswer.data();
            record.wireAnswerLength = wireAnswer.size();
        }
    }
    record.status = status;
    record.verdict = m_lastVerdict;
    record.exceptionCode = m_lastExceptionCode;
    record.startMonotonicNs = startMono;
    record.startWallNs = startWall;
    record.durationNs = endMono - startMono;
    // An observer may remove itself while being told.
    const std::vector<ExchangeObserver*> observers = m_observers;
    for (ExchangeObserver* observer : observers) observer->OnExchange(record);
}

int ModuleSession::Read(uint16_t start, uint16_t quantity, int* payloadLength) {
    *payloadLength = -1;
    const int status = Exchange(kReadHolding, start, quantity, nullptr, 0);
    if (status != kModbusOk) return status;
    if (m_lastVerdict != ExchangeVerdict::Ok) return kModuleFailed;
    *payloadLength = static_cast<int>(m_received) - static_cast<int>(kReadOverhead);
    return kModuleOk;
}

int ModuleSession::ReadBlock(uint16_t start, uint16_t quantity, size_t blockSize,
                             int* payloadLength) {
    const int status = Read(start, quantity, payloadLength);
    if (status != kModuleOk) return status;
    // An answer without a single data byte, or with more than the block
    // holds, is not a block.
    if (*payloadLength < 1 || static_cast<size_t>(*payloadLength) > blockSize) {
        *payloadLength = -1;
        return kModuleFailed;
    }
    return kModuleOk;
}

void ModuleSession::SettleEchoBeforeWrite() {
    // The echo of a single-register write is byte for byte what the module's
    // answer looks like; only a read can tell an echoing line from a module
    // that answered. In a fixed mode the same read shows a line that echoes
    // against the setting, and the port then refuses the write. The reads'
    // own outcome does not matter here. A module that missed the first read
    // (busy, or a frame lost on the line) gets a second before the write
    // goes out on a line whose echo is still unknown.
    constexpr int kProbes = 2;
    for (int i = 0; i < kProbes && m_port != nullptr && m_port->NeedsEchoProbe(); ++i) {
        ++m_echoProbes;
        (void)ReadModuleType(nullptr);
    }
}

int ModuleSession::WriteSingle(uint16_t address, uint16_t value) {
    SettleEchoBeforeWrite();
    const uint8_t data[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value & 0xFF)};
    const int status = Exchange(kWriteSingle, address, 1, data, sizeof data);
    if (status != kModbusOk) return status;
    return m_lastVerdict == ExchangeVerdict::Ok ? kModuleOk : kModuleFailed;
}

int ModuleSession::WriteWire(uint16_t start, uint16_t registers, const uint8_t* wire) {
    SettleEchoBeforeWrite();
    const int status = Exchange(kWriteMultiple, start, registers, wire, 2u * registers);
    if (status != kModbusOk) return status;
    return m_lastVerdict == ExchangeVerdict::Ok ? kModuleOk : kModuleFailed;
}

int ModuleSession::WriteHeld(uint16_t start, uint16_t registers, const uint8_t* held) {
    uint8_t wire[kModbusBufferSize] = {};
    const size_t n = 2u * registers;
    if (n > sizeof wire) return kModuleRequestTooLarge;
    CopySwapBytePairs(n, n, held, wire);
    return WriteWire(start, registers, wire);
}

// --- configuration blocks ---------------------------------------------------

int ModuleSession::ReadGeneralBlock(uint8_t* held, size_t* length) {
    int n = -1;
    const int status = ReadBlock(reg::kGeneralBlock, reg::kGeneralBlockCount, kGeneralBlockSize, &n);
    if (status != kModuleOk) return status;
    CopySwapBytePairs(kGeneralBlockSize, static_cast<size_t>(n), m_response + kReadHeader, held);
    if (length != nullptr) *length = static_cast<size_t>(n);
    return kModuleOk;
}

int ModuleSession::ReadIoBlock(uint8_t* held, size_t* length) {
    int n = -1;
    const int status = ReadBlock(reg::kIoBlock, reg::kIoBlockCount, kIoBlockSize, &n);
    if (status != kModuleOk) return status;
    CopySwapBytePairs(kIoBlockSize, static_cast<size_t>(n), m_response + kReadHeader, held);
    if (length != nullptr) *length = static_cast<size_t>(n);
    return kModuleOk;
}

int ModuleSession::ReadFieldbusBlock(uint8_t* block, size_t* length) {
    int n = -1;
    const int status =
        ReadBlock(reg::kFieldbusBlock, reg::kFieldbusBlockCount, kFieldbusBlockSize, &n);
    if (status != kModuleOk) return status;
    std::memcpy(block, m_response + kReadHeader, static_cast<size_t>(n));
    if (length != nullptr) *length = static_cast<size_t>(n);
    return kModuleOk;
}

int ModuleSession::ReadModuleType(uint16_t* type) {
    int n = -1;
    const int status = Read(reg::kModuleType, reg::kModuleTypeCount, &n);
    if (status != kModuleOk) return status;
    if (n != 2 * reg::kModuleTypeCount) return kModuleFailed;
    if (type != nullptr) *type = WordAt(m_response + kReadHeader);
    return kModuleOk;
}

int ModuleSession::WriteSwitchCoding(const uint8_t* generalHeld) {
    return WriteHeld(reg::kSwitchCoding, reg::kSwitchCodingCount, generalHeld + 10);
}

int ModuleSession::WriteInterface(const uint8_t* generalHeld) {
    return WriteHeld(reg::kInterface, reg::kInterfaceCount, generalHeld + 20);
}

int ModuleSession::WriteWatchdog(const uint8_t* generalHeld) {
    return WriteHeld(reg::kWatchdog, reg::kWatchdogCount, generalHeld + 32);
}

int ModuleSession::WriteInterruptMask(uint16_t mask) {
    return WriteSingle(reg::kInterruptMask, mask);
}

int ModuleSession::WriteUartSettings(uint16_t value) {
    return WriteSingle(reg::kUartSettings, value);
}

int ModuleSession::WriteDeviceMode(uint16_t value) { return WriteSingle(reg::kDeviceMode, value); }

int ModuleSession::WriteIoLengths(const uint8_t* ioHeld) {
    return WriteHeld(reg::kIoLengths, reg::kIoLengthsCount, ioHeld);
}

int ModuleSession::WritePassword(uint16_t password) {
    return WriteSingle(reg::kPassword, password);
}

int ModuleSession::WriteNodeAddress(uint16_t address) {
    return WriteSingle(reg::kNodeAddress, address);
}

int ModuleSession::WriteNodeBitRate(uint16_t bitRate) {
    return WriteSingle(reg::kNodeBaudRate, bitRate);
}

int ModuleSession::WriteDeviceInfo(const uint8_t* fieldbusBlock) {
    return WriteWire(reg::kDeviceInfo, reg::kDeviceInfoCount, fieldbusBlock + kDeviceInfoOffset);
}

// --- process data and events ------------------------------------------------

int ModuleSession::ReadEvents(uint16_t* word) {
    int n = -1;
    const int status = Read(reg::kInterruptEvents, 1, &n);
    if (status != kModuleOk) return status;
    if (n != 2) return kModuleIgnored;
    if (word != nullptr) *word = WordAt(m_response + kReadHeader);
    return kModuleOk;
}

int ModuleSession::ReadChangeField(uint8_t* held, size_t* copied) {
    int n = -1;
    const int status = Read(reg::kChangeField, reg::kChangeFieldCount, &n);
    if (status != kModuleOk) return status;
    const size_t m =
        CopySwapBytePairs(kChangeFieldSize, static_cast<size_t>(n), m_response + kReadHeader, held);
    if (copied != nullptr) *copied = m;
    return kModuleOk;
}

int ModuleSession::ReadOutputData(uint32_t quantity, uint8_t* area, int* length) {
    if (quantity > kModbusMaxReadRegisters) return kModuleRequestTooLarge;
    int n = -1;
    const int status = Read(reg::kOutputData, static_cast<uint16_t>(quantity), &n);
    if (status != kModuleOk) return status;
    // The payload is already bounded by the bytes received; the area bounds
    // it again.
    const int bytes = std::min(n, static_cast<int>(kIoAreaSize));
    std::memset(area, 0, kIoAreaSize);
    CopySwapBytePairs(kIoAreaSize, static_cast<size_t>(bytes), m_response + kReadHeader, area);
    if (length != nullptr) *length = bytes;
    return kModuleOk;
}

int ModuleSession::WriteInputData(const uint8_t* area, int length) {
    if (length < 0 || length > static_cast<int>(kIoAreaSize)) return kModuleRequestTooLarge;
    const uint32_t quantity = RegistersForBytes(length);
    uint8_t padded[kIoAreaSize + 1] = {};
    if (length > 0) std::memcpy(padded, area, static_cast<size_t>(length));
    uint8_t wire[kIoAreaSize + 1] = {};
    CopySwapBytePairs(2 * quantity, 2 * quantity, padded, wire);
    return WriteWire(reg::kInputData, static_cast<uint16_t>(quantity), wire);
}

// --- fieldbus functions -----------------------------------------------------

int ModuleSession::ReadErrorMessages(uint8_t* bytes, int* count) {
    int n = -1;
    const int status = Read(reg::kErrorMessage, reg::kErrorMessageCount, &n);
    if (status != kModuleOk) return status;
    const int m = std::min(n, static_cast<int>(kErrorMessageSize));
    std::memcpy(bytes, m_response + kReadHeader, static_cast<size_t>(m));
    if (count != nullptr) *count = m;
    return kModuleOk;
}

int ModuleSession::SendEmergency(const uint8_t* data4) {
    return WriteWire(reg::kEmergency, reg::kEmergencyCount, data4);
}

int ModuleSession::ReadNetworkTime(uint32_t* ms, uint16_t* days) {
    int n = -1;
    const int status = Read(reg::kNetworkTime, reg::kNetworkTimeCount, &n);
    if (status != kModuleOk) return status;
    if (!AcceptNetworkTime(kModbusOk, m_response, m_received, ms, days)) return kModuleFailed;
    return kModuleOk;
}
