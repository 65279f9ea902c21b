#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "exchange_record.h"
#include "modbus_rtu.h"
#include "register_map.h"

class CSerialPort;

// Status of a module operation. The caller turns it into its own message.
enum ModuleStatus : int {
    kModuleOk = 0,
    // The request went out and no acceptable answer came back (time-out,
    // short answer, CRC error, exception, an answer that does not match).
    kModuleFailed = 1,
    // An acceptable answer of a shape the operation passes over (an event
    // word whose byte count is not 2).
    kModuleIgnored = 2,
    kModulePortClosed = kModbusPortClosed,
    // The request would not fit a frame; nothing was sent.
    kModuleRequestTooLarge = kModbusRequestTooLarge,
};

// Every exchange with the module goes through one session: it owns the
// request record (slave 1), sends on the port it points at, accepts the
// answer and hands back the held bytes. Exchanges run one at a time on the
// caller's thread.
class ModuleSession {
public:
    explicit ModuleSession(CSerialPort* port = nullptr);
    ModuleSession(const ModuleSession&) = delete;
    ModuleSession& operator=(const ModuleSession&) = delete;

    void SetPort(CSerialPort* port);
    CSerialPort* port() const { return m_port; }
    bool IsOpen() const;

    void AddObserver(ExchangeObserver* observer);
    void RemoveObserver(ExchangeObserver* observer);
    const std::vector<ExchangeObserver*>& observers() const { return m_observers; }

    // --- configuration blocks -------------------------------------------
    // Each read replaces only the registers its answer carries: the general
    // and I/O blocks are held with byte pairs exchanged, the fieldbus block
    // in wire order. *length (may be null) receives the payload length.
    int ReadGeneralBlock(uint8_t* held, size_t* length = nullptr);
    int ReadIoBlock(uint8_t* held, size_t* length = nullptr);
    int ReadFieldbusBlock(uint8_t* block, size_t* length = nullptr);
    // Module type register 0x5003 (two registers): *type = value of 0x5003.
    int ReadModuleType(uint16_t* type);

    // The general block's three write groups, from the held block.
    int WriteSwitchCoding(const uint8_t* generalHeld);
    int WriteInterface(const uint8_t* generalHeld);
    int WriteWatchdog(const uint8_t* generalHeld);
    // Single registers of the general block.
    int WriteInterruptMask(uint16_t mask);
    int WriteUartSettings(uint16_t value);
    int WriteDeviceMode(uint16_t value);
    // Input and output lengths from the held I/O block.
    int WriteIoLengths(const uint8_t* ioHeld);
    // Fieldbus registers.
    int WritePassword(uint16_t password);
    int WriteNodeAddress(uint16_t address);
    int WriteNodeBitRate(uint16_t bitRate);
    // Device information: fieldbus block bytes 20-63, in wire order.
    int WriteDeviceInfo(const uint8_t* fieldbusBlock);

    // --- process data and events -----------------------------------------
    // Ok with *word, Ignored when the byte count is not 2.
    int ReadEvents(uint16_t* word);
    // Up to 18 held bytes of the change field; *copied receives the count.
    int ReadChangeField(uint8_t* held, size_t* copied);
    // Reads `quantity` registers of output data; on Ok the area (144 bytes)
    // is cleared and refilled, *length receives the byte count (<= 144).
    int ReadOutputData(uint32_t quantity, uint8_t* area, int* length);
    // Writes the first `length` (0..144) held bytes of input data.
    int WriteInputData(const uint8_t* area, int length);

    // --- fieldbus functions ----------------------------------------------
    // Up to 24 bytes of error messages as received; *count their number.
    int ReadErrorMessages(uint8_t* bytes, int* count);
    int SendEmergency(const uint8_t* data4);
    int ReadNetworkTime(uint32_t* ms, uint16_t* days);

    // How the last exchange ended (also when an operation failed).
    ExchangeVerdict lastVerdict() const { return m_lastVerdict; }
    uint8_t lastExceptionCode() const { return m_lastExceptionCode; }

    // Exchanges started, and exchanges started while another was still
    // open (from a nested event loop); the latter is 0 in a sound program.
    uint64_t exchangeCount() const { return m_exchanges; }
    uint64_t nestedExchangeCount() const { return m_nestedExchanges; }
    // Reads sent ahead of a write to learn whether the line echoes.
    uint64_t echoProbeCount() const { return m_echoProbes; }

private:
    // One exchange on the request record: sends, reads, classifies and
    // reports. Returns the transport status (kModbusOk when sent).
    int Exchange(uint8_t function, uint16_t start, uint16_t quantity, const uint8_t* data,
                 size_t dataLength);
    // Read of `quantity` registers; on Ok, payload at m_response + 3.
    int Read(uint16_t start, uint16_t quantity, int* payloadLength);
    int WriteSingle(uint16_t address, uint16_t value);
    int WriteWire(uint16_t start, uint16_t registers, const uint8_t* wire);
    int WriteHeld(uint16_t start, uint16_t registers, const uint8_t* held);
    int ReadBlock(uint16_t start, uint16_t quantity, size_t blockSize, int* payloadLength);
    // A write that arrives while the port does not yet know whether it
    // echoes is preceded by a read that settles it.
    void SettleEchoBeforeWrite();
    void Notify(int status, int64_t startMono, int64_t startWall, int64_t endMono);

    CSerialPort* m_port = nullptr;
    ModbusRequest m_request;
    uint8_t m_response[kModbusBufferSize + 1] = {};
    uint8_t m_received = 0;
    std::vector<ExchangeObserver*> m_observers;
    ExchangeVerdict m_lastVerdict = ExchangeVerdict::Ok;
    uint8_t m_lastExceptionCode = 0;
    int m_depth = 0;
    uint64_t m_exchanges = 0;
    uint64_t m_nestedExchanges = 0;
    uint64_t m_echoProbes = 0;
};
