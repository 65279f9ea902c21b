// The three block decoders take any bytes; what the pages build from decoded
// fields decodes back to the same fields.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fieldbus_block.h"
#include "general_block.h"
#include "io_block.h"

namespace {

bool SameGeneral(const GeneralFields& a, const GeneralFields& b) {
    return a.switchCoding == b.switchCoding && a.offline == b.offline && a.idle == b.idle &&
           a.interruptMask == b.interruptMask && a.spi == b.spi && a.cpha == b.cpha &&
           a.cpol == b.cpol && a.frameInterval == b.frameInterval && a.uartBaud == b.uartBaud &&
           a.uartStopBits == b.uartStopBits && a.uartParity == b.uartParity &&
           a.modbusAddress == b.modbusAddress && a.watchdog == b.watchdog &&
           memcmp(a.faultValues, b.faultValues, sizeof a.faultValues) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t general[kGeneralBlockSize] = {};
    uint8_t io[kIoBlockSize] = {};
    uint8_t fieldbus[kFieldbusBlockSize] = {};
    memcpy(general, data, size < sizeof general ? size : sizeof general);
    memcpy(io, data, size < sizeof io ? size : sizeof io);
    memcpy(fieldbus, data, size < sizeof fieldbus ? size : sizeof fieldbus);

    GeneralFields fields;
    DecodeGeneralBlock(general, &fields);
    for (int lamp = 0; lamp < 4; ++lamp) StatusLampLit(general, lamp);
    const int mode = DeviceModeIndexFromBlock(general);
    if (mode < -1 || mode > 2) abort();
    if ((fields.interruptMask & 0x3FF) == fields.interruptMask && fields.switchCoding >= -1) {
        uint8_t rebuilt[kGeneralBlockSize];
        memcpy(rebuilt, general, sizeof rebuilt);
        EncodeGeneralBlock(fields, rebuilt);
        GeneralFields again;
        DecodeGeneralBlock(rebuilt, &again);
        // Positions outside a list decode as -1 and rebuild as 0xFF, so the
        // round trip holds for the fields whose lists had a selection.
        if (fields.offline >= 0 && fields.idle >= 0 && fields.switchCoding >= 0 &&
            fields.cpha >= 0 && fields.cpol >= 0 && fields.uartBaud >= 0 &&
            fields.uartStopBits >= 0 && fields.uartParity >= 0 && !SameGeneral(fields, again))
            abort();
    }

    if (IoInputLength(io) < 0 || IoOutputLength(io) > 0xFFFF) abort();

    for (int coding = 0; coding < 2; ++coding) {
        FieldbusFields decoded;
        DecodeFieldbusBlock(fieldbus, coding, &decoded);
        if (decoded.fieldbusStatus < -1 || decoded.fieldbusStatus >= kFieldbusStatusCount) abort();
        if (decoded.moduleState < -1 || decoded.moduleState >= kModuleStateCount) abort();
        uint64_t address = 0;
        if (!ParseNodeAddress(decoded.nodeAddressConfigured, coding, &address) ||
            address != WireWord(fieldbus, 6))
            abort();
    }
    const std::string name = DecodeProductName(fieldbus);
    uint8_t rebuilt[kFieldbusBlockSize];
    memcpy(rebuilt, fieldbus, sizeof rebuilt);
    EncodeProductName(name, rebuilt);
    if (memcmp(rebuilt, fieldbus, 32) != 0 || memcmp(rebuilt + 64, fieldbus + 64, 68) != 0)
        abort();
    return 0;
}
