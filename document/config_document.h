#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config_blocks.h"

// A module's configuration held as a document: the three parameter blocks in
// the held form the programs keep after "读取配置" (general and I/O blocks low
// byte first, the fieldbus block in wire order), plus which of the writable
// fields a file gave. A field a file leaves out stays as the module has it.
//
// Writable fields are exactly those "修改配置" writes from the pages' entries.
// Everything else in the blocks is status or identity (device mode, module
// and fieldbus type, status flags, interrupt events, Modbus address and CRC,
// I/O change field, CAN status, NMT state, actual node address and bit rate,
// revision and bits registers, emergency and error messages) and is never
// written from a document. The Modbus address lies inside a written range
// (0x500B x 5) but always goes back as the module holds it: another address
// would cut the module off the line.
//
// Groups are the units a load writes: one group per write frame of
// "修改配置", sent with that same frame, so "write only the groups that
// differ" never rewrites a register nobody changed beyond its own frame. The
// device information group is the password write (0x7003) followed by the
// 0x700B x 22 frame; it needs the password typed by the user.

// The writable fields, in the order of the document's keys.
enum ConfigField : int {
    // group kGroupSwitchCoding
    kFieldSwitchCoding,  // general.switch_coding
    kFieldOffline,       // general.offline
    kFieldIdle,          // general.idle
    kFieldInterrupts,    // general.interrupts
    // group kGroupInterface
    kFieldInterface,      // general.interface
    kFieldCpha,           // general.cpha (the list labelled "CPHA:", held byte 22)
    kFieldCpol,           // general.cpol (the list labelled "CPOL:", held byte 23)
    kFieldFrameInterval,  // general.frame_interval_50us
    kFieldBaudRate,       // general.baud_rate
    kFieldStopBits,       // general.stop_bits
    kFieldParity,         // general.parity
    // group kGroupWatchdog
    kFieldWatchdog,     // general.watchdog_ms
    kFieldFaultValues,  // general.fault_values
    // group kGroupIoLengths
    kFieldInputLength,   // io.input_length
    kFieldOutputLength,  // io.output_length
    // groups kGroupNodeAddress, kGroupBitRate
    kFieldNodeAddress,  // fieldbus.node_address
    kFieldBitRate,      // fieldbus.bit_rate
    // group kGroupDeviceInfo
    kFieldVendorId,      // fieldbus.vendor_id
    kFieldProductCode,   // fieldbus.product_code
    kFieldSerialNumber,  // fieldbus.serial_number
    kFieldProductName,   // fieldbus.product_name
    kConfigFieldCount
};

// Bit f stands for ConfigField f.
using ConfigFieldSet = uint32_t;
constexpr ConfigFieldSet FieldBit(ConfigField field) {
    return 1u << field;
}

// "general.watchdog_ms" and so on.
const char* ConfigFieldPath(ConfigField field);
ConfigGroup ConfigFieldGroup(ConfigField field);
ConfigGroupSet GroupsOfFields(ConfigFieldSet fields);

struct ConfigDocument {
    // The module the document is for: general registers 0x5003 and 0x5004.
    uint16_t moduleType = 0;
    uint16_t fieldbusType = 0;
    // Given fields in held form; the bytes of fields not given mean nothing.
    ConfigBlocks blocks;
    ConfigFieldSet given = 0;
    // fieldbus.node_address as given, in the node-address notation of the
    // switch coding: the document's own general.switch_coding when given,
    // otherwise the module's. It is turned into bytes 6-7 by Apply, which
    // knows the module.
    std::string nodeAddress;

    bool Has(ConfigField field) const { return (given & FieldBit(field)) != 0; }
};

// One refused value. path is the key path ("general.watchdog_ms"); found the
// value as the file holds it (JSON text); allowed what the key takes. A
// syntax error has an empty path and its line and column (1-based, columns
// counted in characters). message is the whole text for the user.
struct ConfigError {
    std::string path;
    std::string found;
    std::string allowed;
    int line = 0;
    int column = 0;
    std::string message;
};

// Every writable field given, from the module's blocks (fields whose module
// value lies outside their list or range are left out); the module type is
// the module's.
ConfigDocument DocumentFromBlocks(const ConfigBlocks& module);
// No field given; the module type is the module's. The start of a
// command-line "set".
ConfigDocument EmptyDocumentFor(const ConfigBlocks& module);

// The document's module type against the module's; false with the error
// (path "module_type") when they differ.
bool CheckModuleType(const ConfigDocument& document, const ConfigBlocks& module,
                     ConfigError* error);

// Writes the given fields into *blocks, which come in as read from the module
// and go out as the blocks to write. Refused (false, *blocks untouched) when
// the module type differs or the node address is no CANopen node number in
// the notation that applies.
bool ApplyConfigDocument(const ConfigDocument& document, ConfigBlocks* blocks,
                         std::vector<ConfigError>* errors);

struct ConfigDiffRow {
    ConfigField field;
    ConfigGroup group;
    std::string path;  // "general.watchdog_ms"
    // In the document's notation ("even", "1000"), the same in every
    // language, as scripts read it.
    std::string moduleValue;
    std::string fileValue;
    // The same for a person, in CurrentTextLanguage(): they differ only for
    // a value the notation has no name for ("(250, outside the allowed
    // values)").
    std::string moduleText;
    std::string fileText;
};

struct ConfigDiff {
    std::vector<ConfigDiffRow> rows;  // in field order
    ConfigGroupSet groups = 0;        // the groups holding a row
    ConfigBlocks blocks;              // the module's blocks with the document applied
};

// The given fields whose value differs from the module's. A field differs
// when both its meaning and the bytes it would write differ, so a value the
// module holds in another encoding of the same meaning (an interface word of
// 5 is "uart" as much as 1) or a node address shown in another notation is
// no difference. Refused as ApplyConfigDocument.
bool DiffConfig(const ConfigBlocks& module, const ConfigDocument& document, ConfigDiff* diff,
                std::vector<ConfigError>* errors);
