#include "page_settings.h"

#include "ccontrolini.h"
#include "hexbytes.h"

namespace {

constexpr SettingForm kInt = SettingForm::Integer;
constexpr SettingForm kText = SettingForm::Text;
constexpr SettingForm kHex = SettingForm::HexBytes;

template <size_t N>
constexpr SettingList List(const SettingKey (&keys)[N]) {
    return SettingList{keys, N};
}

const SettingKey kComPage[] = {kComPort,     kComBaudRate,    kComByteBits,
                               kComStopBits, kComFlowControl, kComParity};

const SettingKey kGeneralPage[] = {
    kGeneralModuleType,    kGeneralSwitchCoding, kGeneralFieldbusType, kGeneralIdle,
    kGeneralOffline,       kGeneralCpolList,     kGeneralCphaList,     kGeneralBaudRate,
    kGeneralByteBits,      kGeneralStopBits,     kGeneralParity,       kGeneralInterrupt,
    kGeneralCrc,           kGeneralSpi,          kGeneralWatchdog,     kGeneralFrameInterval,
    kGeneralModbusAddress, kGeneralFaultValues};

const SettingKey kFullIoPage[] = {kIoInput,      kIoOutput,        kIoChanged,   kIoOutInterval,
                                  kIoInInterval, kIoEventInterval, kIoInputData, kIoOutputData};
// The simple edition's configuration page keeps the lengths.
const SettingKey kSimpleIoPage[] = {kIoChanged,       kIoOutInterval, kIoInInterval,
                                    kIoEventInterval, kIoInputData,   kIoOutputData};

const SettingKey kFieldbusPage[] = {
    kFieldbusModuleState,       kFieldbusStatus,          kFieldbusAddressConfigured,
    kFieldbusAddressActual,     kFieldbusRateConfigured,  kFieldbusRateActual,
    kFieldbusRevision,          kFieldbusStatusBits,      kFieldbusConfigBits,
    kFieldbusVendorId,          kFieldbusProductCode,     kFieldbusSerialNumber,
    kFieldbusEmergencyStandard, kFieldbusEmergencyCustom, kFieldbusProductName,
    kFieldbusErrorMessage};

const SettingKey kConfigPage[] = {kComPort,
                                  kComBaudRate,
                                  kFieldbusModuleState,
                                  kFieldbusCanBitRate,
                                  kGeneralDeviceMode,
                                  kGeneralInterrupt,
                                  kIoInput,
                                  kIoOutput,
                                  kFieldbusAddressConfigured,
                                  kFieldbusEmergencyStandard,
                                  kFieldbusEmergencyCustom};

const SettingKey kFullWindow[] = {kGeneralDeviceMode, kThemeId};
const SettingKey kEmergency[] = {kFieldbusEmergencyStandard, kFieldbusEmergencyCustom};

}  // namespace

// In SettingKey order.
const SettingDescription kSettings[kSettingKeyCount] = {
    {"com", "com", kInt, 0},
    {"com", "baudrate", kInt, 0},
    {"com", "bytebits", kInt, 0},
    {"com", "stopbits", kInt, 0},
    {"com", "flowctrl", kInt, 0},
    {"com", "parity", kInt, 0},
    {"general", "modmode", kInt, 0},
    {"general", "modtype", kInt, 0},
    {"general", "switchcoding", kInt, 0},
    {"general", "fdtype", kInt, 0},
    {"general", "idle", kInt, 0},
    {"general", "offline", kInt, 0},
    {"general", "cpol", kInt, 0},
    {"general", "cpha", kInt, 0},
    {"general", "baudrate", kInt, 0},
    {"general", "bytebits", kInt, 0},
    {"general", "stopbits", kInt, 0},
    {"general", "parity", kInt, 0},
    {"general", "interrupt", kInt, 0},
    {"general", "crc", kInt, 0},
    {"general", "spi", kInt, 0},
    {"general", "watchdog", kText, 0},
    {"general", "spiinterval", kText, 0},
    {"general", "rtuaddr", kText, 0},
    {"general", "fbval", kHex, 28},
    {"theme", "id", kInt, 0},
    {"ioprm", "input", kInt, 0},
    {"ioprm", "output", kInt, 0},
    {"ioprm", "changed", kText, 0},
    {"ioprm", "outinterval", kInt, 0},
    {"ioprm", "ininterval", kInt, 0},
    {"ioprm", "eventinterval", kInt, 0},
    {"ioprm", "inputdata", kHex, 144},
    {"ioprm", "outputdata", kHex, 144},
    {"fieldbus", "modstatus", kInt, 0},
    {"fieldbus", "baudcfg", kInt, 0},
    {"fieldbus", "fbstatus", kInt, 0},
    {"fieldbus", "addrcfg", kText, 0},
    {"fieldbus", "addractual", kText, 0},
    {"fieldbus", "ratecfg", kInt, 0},
    {"fieldbus", "rateactual", kInt, 0},
    {"fieldbus", "revision", kInt, 0},
    {"fieldbus", "statusbits", kInt, 0},
    {"fieldbus", "cfgbits", kInt, 0},
    {"fieldbus", "vendorid", kText, 0},
    {"fieldbus", "productcode", kText, 0},
    {"fieldbus", "serialnumber", kText, 0},
    {"fieldbus", "emcycode1", kText, 0},
    {"fieldbus", "emcycode2", kText, 0},
    {"fieldbus", "productname", kText, 0},
    {"fieldbus", "errormsg", kText, 0},
};

const SettingList kComPageSettings = List(kComPage);
const SettingList kGeneralPageSettings = List(kGeneralPage);
const SettingList kFullIoPageSettings = List(kFullIoPage);
const SettingList kSimpleIoPageSettings = List(kSimpleIoPage);
const SettingList kFieldbusPageSettings = List(kFieldbusPage);
const SettingList kConfigPageSettings = List(kConfigPage);
const SettingList kFullWindowSettings = List(kFullWindow);
const SettingList kEmergencySettings = List(kEmergency);

bool SettingValues::Text(SettingKey key, std::string* text) const {
    if (!m_values[key].present) return false;
    *text = m_values[key].text;
    return true;
}

void SettingValues::SetText(SettingKey key, const std::string& text) {
    m_values[key].text = text;
    m_values[key].present = true;
}

void SettingValues::SetBytes(SettingKey key, const uint8_t* bytes, size_t n) {
    m_values[key].bytes.assign(bytes, bytes + n);
}

void ReadSettings(const CControlIni& ini, const SettingList& keys, SettingValues* values) {
    for (size_t i = 0; i < keys.count; ++i) {
        const SettingKey key = keys.keys[i];
        const SettingDescription& d = kSettings[key];
        SettingValues::Value& value = values->m_values[key];
        switch (d.form) {
            case SettingForm::Integer:
                ini.ReadInt(d.section, d.key, &value.number);
                break;
            case SettingForm::Text:
                value.present = ini.ReadString(d.section, d.key, &value.text);
                break;
            case SettingForm::HexBytes: {
                std::string text;
                ini.ReadString(d.section, d.key, &text);
                value.bytes.assign(d.capacity, 0);
                value.bytes.resize(ParseHexList(text, value.bytes.data(), d.capacity));
                break;
            }
        }
    }
}

void WriteSettings(CControlIni* ini, const SettingList& keys, const SettingValues& values) {
    for (size_t i = 0; i < keys.count; ++i) {
        const SettingKey key = keys.keys[i];
        const SettingDescription& d = kSettings[key];
        switch (d.form) {
            case SettingForm::Integer:
                ini->WriteInt(d.section, d.key, values.Int(key));
                break;
            case SettingForm::Text:
                ini->WriteString(d.section, d.key, values.m_values[key].text);
                break;
            case SettingForm::HexBytes: {
                const std::vector<uint8_t>& bytes = values.Bytes(key);
                ini->WriteString(d.section, d.key, FormatHexBytes(bytes.data(), bytes.size()));
                break;
            }
        }
    }
}

int ReadIntSetting(const CControlIni& ini, SettingKey key) {
    int value = 0;
    ini.ReadInt(kSettings[key].section, kSettings[key].key, &value);
    return value;
}

void WriteIntSetting(CControlIni* ini, SettingKey key, int value) {
    ini->WriteInt(kSettings[key].section, kSettings[key].key, value);
}
