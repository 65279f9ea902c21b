#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CControlIni;

// The keys the windows and pages keep in config.ini: one description per key
// and, per page, its keys in the order it writes them. A new file gets its
// keys in that order, so the order is part of what both editions write.

enum class SettingForm {
    Integer,   // "%d"; absent reads as 0. List positions are -1 without selection.
    Text,      // the text of a box as typed; absent leaves the box as it was
    HexBytes,  // "%02X " per byte; absent gives no bytes
};

enum SettingKey {
    kComPort,
    kComBaudRate,
    kComByteBits,
    kComStopBits,
    kComFlowControl,
    kComParity,
    kGeneralDeviceMode,
    kGeneralModuleType,
    kGeneralSwitchCoding,
    kGeneralFieldbusType,
    kGeneralIdle,
    kGeneralOffline,
    kGeneralCpolList,  // "cpol" holds the list labelled "CPHA:"
    kGeneralCphaList,  // "cpha" holds the list labelled "CPOL:"
    kGeneralBaudRate,
    kGeneralByteBits,
    kGeneralStopBits,
    kGeneralParity,
    kGeneralInterrupt,
    kGeneralCrc,
    kGeneralSpi,
    kGeneralWatchdog,
    kGeneralFrameInterval,
    kGeneralModbusAddress,
    kGeneralFaultValues,
    kThemeId,
    kIoInput,
    kIoOutput,
    kIoChanged,
    kIoOutInterval,
    kIoInInterval,
    kIoEventInterval,
    kIoInputData,
    kIoOutputData,
    kFieldbusModuleState,
    kFieldbusCanBitRate,
    kFieldbusStatus,
    kFieldbusAddressConfigured,
    kFieldbusAddressActual,
    kFieldbusRateConfigured,
    kFieldbusRateActual,
    kFieldbusRevision,
    kFieldbusStatusBits,
    kFieldbusConfigBits,
    kFieldbusVendorId,
    kFieldbusProductCode,
    kFieldbusSerialNumber,
    kFieldbusEmergencyStandard,
    kFieldbusEmergencyCustom,
    kFieldbusProductName,
    kFieldbusErrorMessage,
    kSettingKeyCount
};

struct SettingDescription {
    const char* section;
    const char* key;
    SettingForm form;
    size_t capacity;  // HexBytes: the bytes kept (more in the file are dropped)
};
extern const SettingDescription kSettings[kSettingKeyCount];

// The keys of one page or window, in the order it writes them.
struct SettingList {
    const SettingKey* keys;
    size_t count;
};
extern const SettingList kComPageSettings;       // full: "串口" page
extern const SettingList kGeneralPageSettings;   // full: "通用参数" page
extern const SettingList kFullIoPageSettings;    // full: "IO参数" page
extern const SettingList kSimpleIoPageSettings;  // simple: "I/O" page (no lengths)
extern const SettingList kFieldbusPageSettings;  // full: "现场总线" page
extern const SettingList kConfigPageSettings;    // simple: "配置" page
extern const SettingList kFullWindowSettings;    // full: device mode and theme
extern const SettingList kEmergencySettings;     // simple: after a sent emergency

// Values of keys, as a page hands them to config.ini or takes them from it.
class SettingValues {
public:
    int Int(SettingKey key) const { return m_values[key].number; }
    void SetInt(SettingKey key, int value) { m_values[key].number = value; }
    // Text keys: false when the key was absent (the box keeps its text).
    bool Text(SettingKey key, std::string* text) const;
    void SetText(SettingKey key, const std::string& text);
    // HexBytes keys: at most the key's capacity.
    const std::vector<uint8_t>& Bytes(SettingKey key) const { return m_values[key].bytes; }
    void SetBytes(SettingKey key, const uint8_t* bytes, size_t n);

private:
    friend void ReadSettings(const CControlIni&, const SettingList&, SettingValues*);
    friend void WriteSettings(CControlIni*, const SettingList&, const SettingValues&);
    struct Value {
        int number = 0;
        bool present = false;
        std::string text;
        std::vector<uint8_t> bytes;
    };
    Value m_values[kSettingKeyCount];
};

// Reads the listed keys, one at a time, each by its form.
void ReadSettings(const CControlIni& ini, const SettingList& keys, SettingValues* values);
// Writes the listed keys in list order. A failed write is lost silently, as
// every settings write is.
void WriteSettings(CControlIni* ini, const SettingList& keys, const SettingValues& values);
// One integer key alone.
int ReadIntSetting(const CControlIni& ini, SettingKey key);
void WriteIntSetting(CControlIni* ini, SettingKey key, int value);
