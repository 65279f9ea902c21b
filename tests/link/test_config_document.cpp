// The configuration document: blocks to JSON text and back, the errors of
// hand-edited files, differences against a module and command-line values.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bounded.h"
#include "config_document.h"
#include "config_json.h"
#include "fieldbus_block.h"
#include "general_block.h"
#include "tempdir.h"
#include "text_language_guard.h"

namespace {

// A module as the simulator starts: CANopen, BCD switch coding, UART at
// 115200 with one stop bit and no parity, node 25 (BCD) at 500 kbit/s.
ConfigBlocks ModuleBlocks() {
    ConfigBlocks m;
    uint8_t* g = m.general;
    SetHeldWord(g, 4, 0x0201);
    SetHeldWord(g, 6, 1);
    SetHeldWord(g, 8, 0x0500);
    SetHeldWord(g, 12, 1);
    SetHeldWord(g, 16, 0x020F);
    SetHeldWord(g, 18, 0x0001);
    SetHeldWord(g, 20, 1);
    g[22] = 1;
    SetHeldWord(g, 24, 20);
    g[26] = 6;
    g[27] = 0x84;
    SetHeldWord(g, 28, 1);
    SetHeldWord(g, 32, 1000);
    for (int i = 0; i < kFaultValueCount; ++i) g[34 + i] = static_cast<uint8_t>(i + 1);
    SetHeldWord(m.io, 0, 16);
    SetHeldWord(m.io, 2, 8);
    uint8_t* f = m.fieldbus;
    SetWireWord(f, 2, 127);
    SetWireWord(f, 6, 0x0025);
    SetWireWord(f, 8, 0x0025);
    SetWireWord(f, 10, 2);
    SetWireWord(f, 12, 2);
    const uint8_t ids[12] = {0x00, 0x00, 0x03, 0xA5, 0x00, 0x00,
                             0x31, 0x01, 0x20, 0x24, 0x08, 0x15};
    std::memcpy(f + 20, ids, sizeof ids);
    EncodeProductName("VX31 网关", f);
    return m;
}

// The group frames' data, which is what a load would send.
std::vector<uint8_t> GroupData(ConfigGroup group, const ConfigBlocks& blocks) {
    uint8_t data[64] = {};
    const size_t n = ConfigGroupData(group, blocks, data, sizeof data);
    return std::vector<uint8_t>(data, data + n);
}

// The refusals are read in English, the language quillon-cli's users script
// against; ConfigDocumentLanguage has them in Chinese.
class EnglishTexts : public ::testing::Environment {
    void SetUp() override { SetTextLanguage(TextLanguage::English); }
};
::testing::Environment* const kEnglishTexts = ::testing::AddGlobalTestEnvironment(new EnglishTexts);

ConfigDocument ParseOk(const std::string& text) {
    ConfigDocument document;
    std::vector<ConfigError> errors;
    EXPECT_TRUE(ParseConfigDocument(text, &document, &errors)) << ConfigErrorsText(errors);
    return document;
}

// The one error of a document that must be refused, for a key path.
ConfigError OnlyError(const std::string& text) {
    ConfigDocument document;
    std::vector<ConfigError> errors;
    EXPECT_FALSE(ParseConfigDocument(text, &document, &errors));
    EXPECT_EQ(errors.size(), 1u) << ConfigErrorsText(errors);
    EXPECT_EQ(document.given, 0u);
    return errors.empty() ? ConfigError() : errors.front();
}

// The head of a document for this module; the rest closes it.
std::string Document(const std::string& rest) {
    return R"({"format": 1, "module_type": "tavel/canopen", )" + rest;
}

// What a module answers and what its file reads back must be the same
// configuration: every group frame a load could send carries the bytes the
// file was saved from.
TEST(ConfigDocument, BlocksRoundTripThroughTheText) {
    const ConfigBlocks module = ModuleBlocks();
    const std::string text = ConfigToJson(module);
    for (const char* expected :
         {R"("module_type": "tavel/canopen")", R"("switch_coding": "bcd")",
          R"("offline": "freeze")", R"("interface": "uart")", R"("baud_rate": 115200)",
          R"("stop_bits": 1)", R"("parity": "none")", R"("watchdog_ms": 1000)",
          R"("frame_interval_50us": 20)", R"("fault_values": "01 02 03 04 05 06 07 08 09 0A)",
          R"("node_address": 25)", R"("vendor_id": "00 00 03 A5")",
          R"("product_name": "VX31 网关")", R"("modbus_crc": "enabled")"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;

    const ConfigDocument document = ParseOk(text);
    EXPECT_EQ(document.given, (1u << kConfigFieldCount) - 1);

    // Another module of the same type with every writable byte different.
    ConfigBlocks other = module;
    for (int k = 10; k < 62; ++k) other.general[k] ^= 0x5A;
    SetHeldWord(other.general, 28, 1);  // never written: its own address stays
    for (int k = 0; k < 4; ++k) other.io[k] ^= 0x5A;
    for (int k = 6; k < 64; ++k) other.fieldbus[k] ^= 0x5A;
    std::vector<ConfigError> errors;
    ASSERT_TRUE(ApplyConfigDocument(document, &other, &errors)) << ConfigErrorsText(errors);
    for (int g = 0; g < kConfigGroupCount; ++g) {
        const auto group = static_cast<ConfigGroup>(g);
        EXPECT_EQ(GroupData(group, other), GroupData(group, module)) << kConfigGroups[g].name;
    }
    // Status bytes are not configuration and keep the other module's values.
    EXPECT_EQ(HeldWord(other.general, 18), HeldWord(module.general, 18) ^ 0x5A5A);
    EXPECT_EQ(WireWord(other.fieldbus, 8), WireWord(module.fieldbus, 8) ^ 0x5A5A);
    const std::string written = ConfigToJson(other);
    EXPECT_EQ(written.substr(written.find("\"general\"")), text.substr(text.find("\"general\"")));

    // A module compared with its own file shows nothing to write.
    ConfigDiff diff;
    ASSERT_TRUE(DiffConfig(module, document, &diff, &errors));
    EXPECT_TRUE(diff.rows.empty());
    EXPECT_EQ(diff.groups, 0u);
}

TEST(ConfigDocument, ValueOutOfRangeNamesKeyValueAndRange) {
    ConfigError error = OnlyError(Document(R"("general": {"watchdog_ms": 70000}})"));
    EXPECT_EQ(error.path, "general.watchdog_ms");
    EXPECT_EQ(error.found, "70000");
    EXPECT_EQ(error.message,
              "general.watchdog_ms: found 70000; allowed: a whole number from 0 to 65535");
    // The I/O lengths take what the I/O page takes.
    error = OnlyError(Document(R"("io": {"input_length": 145}})"));
    EXPECT_EQ(error.message, "io.input_length: found 145; allowed: a whole number from 0 to 144");
    // A node address is a CANopen node number, read in the notation of the
    // switch coding: under BCD the decimal digits the switches show.
    for (const char* address : {R"("1FFFF")", R"("3A")", "128", "0", R"("0x25")"}) {
        error = OnlyError(
            Document(R"("general": {"switch_coding": "bcd"}, "fieldbus": {"node_address": )" +
                     std::string(address) + "}}"));
        EXPECT_EQ(error.path, "fieldbus.node_address") << address;
        EXPECT_NE(error.allowed.find("1 to 127"), std::string::npos) << error.message;
    }
    // A bit rate is a code of the list, or its name.
    error = OnlyError(Document(R"("fieldbus": {"bit_rate": 9}})"));
    EXPECT_EQ(error.message,
              "fieldbus.bit_rate: found 9; allowed: a CAN bit-rate code from 0 to 8, or its name: "
              "0 = \"1 Mbps\", 1 = \"800 kbps\", 2 = \"500 kbps\", 3 = \"250 kbps\", 4 = \"125 "
              "kbps\", 5 = \"100 kbps\", 6 = \"50 kbps\", 7 = \"20 kbps\", 8 = \"10 kbps\"");
    EXPECT_EQ(OnlyError(Document(R"("fieldbus": {"bit_rate": "499 kbps"}})")).path,
              "fieldbus.bit_rate");
}

TEST(ConfigDocument, NodeNumbersAndBitRateNamesBecomeTheRegistersAModuleUses) {
    const struct {
        const char* fields;
        uint16_t address;
        uint16_t rate;
    } cases[] = {
        {R"("fieldbus": {"node_address": 38, "bit_rate": "250 kbps"}})", 0x0038, 3},
        {R"("fieldbus": {"node_address": "127", "bit_rate": "1mbps"}})", 0x0127, 0},
        {R"("general": {"switch_coding": "binary"}, "fieldbus": {"node_address": 38}})", 0x0026, 2},
    };
    for (const auto& c : cases) {
        ConfigBlocks blocks = ModuleBlocks();
        std::vector<ConfigError> errors;
        ASSERT_TRUE(ApplyConfigDocument(ParseOk(Document(c.fields)), &blocks, &errors))
            << c.fields << "\n"
            << ConfigErrorsText(errors);
        EXPECT_EQ(WireWord(blocks.fieldbus, 6), c.address) << c.fields;
        EXPECT_EQ(WireWord(blocks.fieldbus, 10), c.rate) << c.fields;
    }
    // What a module holds outside these is saved as null, which loads back
    // as "leave it", and shown raw.
    ConfigBlocks module = ModuleBlocks();
    SetWireWord(module.fieldbus, 6, 0x003A);
    SetWireWord(module.fieldbus, 10, 250);
    const std::string text = ConfigToJson(module);
    EXPECT_NE(text.find("\"node_address\": null"), std::string::npos) << text;
    EXPECT_NE(text.find("\"bit_rate\": null"), std::string::npos) << text;
    ConfigDiff diff;
    std::vector<ConfigError> errors;
    ASSERT_TRUE(DiffConfig(module,
                           ParseOk(Document(R"("fieldbus": {"node_address": 38, "bit_rate": 2}})")),
                           &diff, &errors));
    ASSERT_EQ(diff.rows.size(), 2u);
    EXPECT_EQ(diff.rows[0].moduleValue, "(3A, no CANopen node number)");
    EXPECT_EQ(diff.rows[1].moduleValue, "(250, outside the allowed values)");
}

TEST(ConfigDocument, ValueThatIsNoNumberIsRefused) {
    ConfigError error = OnlyError(Document(R"("general": {"frame_interval_50us": "abc"}})"));
    EXPECT_EQ(error.path, "general.frame_interval_50us");
    EXPECT_EQ(error.found, "\"abc\"");
    EXPECT_EQ(error.allowed, "a whole number from 0 to 65535");
    error = OnlyError(Document(R"("fieldbus": {"bit_rate": 2.5}})"));
    EXPECT_EQ(error.path, "fieldbus.bit_rate");
    EXPECT_EQ(error.found, "2.5");
    error = OnlyError(Document(R"("general": {"switch_coding": "binary"},
                                   "fieldbus": {"node_address": "1A"}})"));
    EXPECT_EQ(error.message,
              "fieldbus.node_address: found \"1A\"; allowed: a CANopen node number from 1 to 127 "
              "in decimal digits, the notation of switch coding \"binary\"");
}

TEST(ConfigDocument, FileForAnotherModuleTypeIsRefused) {
    const ConfigDocument document =
        ParseOk(R"({"format": 1, "module_type": "tavel/devicenet", "io": {"input_length": 4}})");
    const ConfigBlocks module = ModuleBlocks();
    ConfigBlocks blocks = module;
    std::vector<ConfigError> errors;
    EXPECT_FALSE(ApplyConfigDocument(document, &blocks, &errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].path, "module_type");
    EXPECT_EQ(errors[0].found, "\"tavel/devicenet\"");
    EXPECT_NE(errors[0].allowed.find("\"tavel/canopen\""), std::string::npos);
    EXPECT_EQ(std::memcmp(&blocks, &module, sizeof blocks), 0);
    ConfigDiff diff;
    EXPECT_FALSE(DiffConfig(module, document, &diff, &errors));

    // A type no name stands for, and a file without any type.
    const ConfigError error = OnlyError(R"({"format": 1, "module_type": "vx31"})");
    EXPECT_EQ(error.path, "module_type");
    EXPECT_EQ(OnlyError(R"({"format": 1})").path, "module_type");
}

TEST(ConfigDocument, UnknownKeysAreErrorsWherever) {
    ConfigError error = OnlyError(Document(R"("general": {"watchdg_ms": 100}})"));
    EXPECT_EQ(error.path, "general.watchdg_ms");
    EXPECT_EQ(error.found, "100");
    EXPECT_NE(error.allowed.find("watchdog_ms"), std::string::npos);
    EXPECT_EQ(OnlyError(Document(R"("device": {"firmware": "1.0"}})")).path, "device.firmware");
    EXPECT_EQ(OnlyError(Document(R"("modbus": {}})")).path, "modbus");
    // A key given twice would otherwise be read as one of its values.
    EXPECT_EQ(OnlyError(Document(R"("io": {"input_length": 4, "input_length": 8}})")).path,
              "io.input_length");
}

TEST(ConfigDocument, SyntaxErrorNamesLineAndColumn) {
    // The reader stops at the end of the token it did not expect ("bit_rate"
    // after the name); the column counts characters, so the Chinese name
    // before it counts two, not six.
    const ConfigError error = OnlyError(
        "{\n  \"format\": 1,\n  \"fieldbus\": {\"product_name\": \"网关\" \"bit_rate\": 2}\n}\n");
    EXPECT_EQ(error.line, 3);
    EXPECT_EQ(error.column, 46);
    EXPECT_EQ(error.path, "");
    EXPECT_EQ(error.message.rfind("line 3, column 46: ", 0), 0u) << error.message;

    const ConfigError end = OnlyError("{\"format\": 1,\n");
    EXPECT_EQ(end.line, 2);
    EXPECT_EQ(end.column, 1);
}

// A wrong file must not take the program down or bury the user in messages.
TEST(ConfigDocument, HostileTextIsRefusedWithFewMessages) {
    ConfigDocument document;
    std::vector<ConfigError> errors;
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    EXPECT_FALSE(ParseConfigDocument(Document(R"("general": {"interrupts": )" + deep + "}}"),
                                     &document, &errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].message.find("deeper than"), std::string::npos) << errors[0].message;

    std::string keys;
    for (int i = 0; i < 5000; ++i) keys += "\"k" + std::to_string(i) + "\": 0, ";
    errors.clear();
    EXPECT_FALSE(
        ParseConfigDocument(Document(R"("io": {)" + keys + R"("k": 0}})"), &document, &errors));
    ASSERT_EQ(errors.size(), 21u);
    EXPECT_EQ(errors.back().message, "... and 4981 more errors");
}

// A file that changes the parity, the node address and the serial number
// touches three groups; keys it leaves out and values the module already
// holds touch none.
TEST(ConfigDocument, DiffNamesFieldsAndTheGroupsToWrite) {
    const ConfigBlocks module = ModuleBlocks();
    const ConfigDocument document = ParseOk(Document(R"(
        "general": {"parity": "even", "watchdog_ms": 1000, "cpha": null},
        "fieldbus": {"node_address": "38", "serial_number": "20 24 08 16"}})"));
    ConfigDiff diff;
    std::vector<ConfigError> errors;
    ASSERT_TRUE(DiffConfig(module, document, &diff, &errors)) << ConfigErrorsText(errors);
    ASSERT_EQ(diff.rows.size(), 3u);
    EXPECT_EQ(diff.rows[0].path, "general.parity");
    EXPECT_EQ(diff.rows[0].moduleValue, "none");
    EXPECT_EQ(diff.rows[0].fileValue, "even");
    EXPECT_EQ(diff.rows[1].path, "fieldbus.node_address");
    EXPECT_EQ(diff.rows[1].moduleValue, "25");
    EXPECT_EQ(diff.rows[1].fileValue, "38");
    EXPECT_EQ(diff.rows[2].path, "fieldbus.serial_number");
    EXPECT_EQ(diff.groups,
              GroupBit(kGroupInterface) | GroupBit(kGroupNodeAddress) | GroupBit(kGroupDeviceInfo));
    // The interface frame (0x500B x 5) goes out as "修改配置" sends it: wire
    // order, the format byte 0x86 for one stop bit and even parity, the
    // module's own Modbus address.
    EXPECT_EQ(GroupData(kGroupInterface, diff.blocks),
              (std::vector<uint8_t>{0x00, 0x01, 0x00, 0x01, 0x00, 0x14, 0x86, 0x06, 0x00, 0x01}));
    EXPECT_EQ(GroupData(kGroupNodeAddress, diff.blocks), (std::vector<uint8_t>{0x00, 0x38}));

    // Switching the coding to binary while keeping register 0x25 (37) is a
    // change of the coding alone; the same text "25" would be a new address.
    const ConfigDocument binary = ParseOk(
        Document(R"("general": {"switch_coding": "binary"}, "fieldbus": {"node_address": 37}})"));
    ASSERT_TRUE(DiffConfig(module, binary, &diff, &errors));
    ASSERT_EQ(diff.rows.size(), 1u);
    EXPECT_EQ(diff.rows[0].path, "general.switch_coding");
    EXPECT_EQ(diff.groups, GroupBit(kGroupSwitchCoding));
}

TEST(ConfigDocument, SetTakesTheFileNotationAndItsErrors) {
    const ConfigBlocks module = ModuleBlocks();
    ConfigDocument document = EmptyDocumentFor(module);
    std::vector<ConfigError> errors;
    ConfigField field = kConfigFieldCount;
    for (const char* assignment :
         {"general.parity=even", "general.interrupts=SYSS, FBON", "fieldbus.node_address=12",
          "fieldbus.product_name = \" Tavel \"", "io.output_length=144"})
        EXPECT_TRUE(SetConfigValue(&document, assignment, &errors, &field))
            << assignment << "\n"
            << ConfigErrorsText(errors);
    EXPECT_EQ(field, kFieldOutputLength);
    EXPECT_EQ(GroupsOfFields(document.given),
              GroupBit(kGroupInterface) | GroupBit(kGroupSwitchCoding) |
                  GroupBit(kGroupNodeAddress) | GroupBit(kGroupDeviceInfo) |
                  GroupBit(kGroupIoLengths));
    ConfigBlocks blocks = module;
    ASSERT_TRUE(ApplyConfigDocument(document, &blocks, &errors)) << ConfigErrorsText(errors);
    EXPECT_EQ(blocks.general[27], 0x86);
    EXPECT_EQ(HeldWord(blocks.general, 16), 0x0202);
    EXPECT_EQ(WireWord(blocks.fieldbus, 6), 0x0012);
    EXPECT_EQ(DecodeProductName(blocks.fieldbus), " Tavel ");
    EXPECT_EQ(HeldWord(blocks.io, 2), 144);
    EXPECT_EQ(HeldWord(blocks.general, 32), 1000);  // not set: as the module has it

    // The same message as in a file, and a refused value changes nothing.
    const ConfigDocument before = document;
    EXPECT_FALSE(SetConfigValue(&document, "general.watchdog_ms=abc", &errors));
    EXPECT_FALSE(SetConfigValue(&document, "device.serial_number=00 00 00 01", &errors));
    EXPECT_FALSE(SetConfigValue(&document, "general.parity", &errors));
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0].message,
              "general.watchdog_ms: found \"abc\"; allowed: a whole number from 0 to 65535");
    EXPECT_EQ(errors[1].path, "device.serial_number");
    EXPECT_NE(errors[1].message.find("read-only"), std::string::npos);
    EXPECT_EQ(errors[2].path, "general.parity");
    EXPECT_EQ(document.given, before.given);
}

TEST(ConfigDocument, FilesAreWrittenWholeAndReadBack) {
    TempDir folder;
    const std::string path = folder.file("module.json");
    std::string message;
    ASSERT_TRUE(SaveConfigFile(path, ModuleBlocks(), &message)) << message;
    ConfigDocument document;
    std::vector<ConfigError> errors;
    ASSERT_TRUE(LoadConfigFile(path, &document, &errors)) << ConfigErrorsText(errors);
    EXPECT_EQ(document.nodeAddress, "25");

    EXPECT_FALSE(SaveConfigFile(folder.file("missing/module.json"), ModuleBlocks(), &message));
    EXPECT_NE(message.find("missing/module.json"), std::string::npos) << message;
    EXPECT_FALSE(LoadConfigFile(folder.file("none.json"), &document, &errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].message.find("none.json"), std::string::npos) << errors[0].message;

    // A FIFO would block until something writes to it: refused by name.
    const std::string fifo = folder.file("fifo.json");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(RunBounded([&fifo] {
                  ConfigDocument read;
                  std::vector<ConfigError> found;
                  std::string saveError;
                  return !LoadConfigFile(fifo, &read, &found) && found.size() == 1 &&
                         found[0].message ==
                             "cannot read " + fifo +
                                 ": it is a named pipe (FIFO), not a regular file" &&
                         !SaveConfigFile(fifo, ModuleBlocks(), &saveError) &&
                         saveError.find("named pipe") != std::string::npos;
              }),
              0);
}

// In Chinese each kind of refusal is a whole Chinese sentence with the key,
// the value and what is allowed in place, lists in Chinese form; nlohmann's
// own words and the JSON stay as they are.
TEST(ConfigDocumentLanguage, RefusalsAndUnnamedValuesComeInTheLanguageSet) {
    TextLanguageGuard chinese(TextLanguage::Chinese);
    struct Refusal {
        std::string document;
        std::string message;
    };
    const Refusal refusals[] = {
        {Document(R"("general": {"watchdog_ms": 70000}})"),
         "general.watchdog_ms：读到的值为 70000；允许的值：0 到 65535 的整数"},
        {Document(R"("general": {"parity": "mark"}})"),
         "general.parity：读到的值为 \"mark\"；允许的值：\"none\"、\"odd\" 或 \"even\""},
        {Document(R"("general": {"cpha": "abc"}})"),
         "general.cpha：读到的值为 \"abc\"；允许的值：0 或 1"},
        {Document(R"("io": {"colour": 1}})"),
         "io.colour：未知的键（值为 1）；允许的键：input_length, output_length"},
    };
    for (const Refusal& refusal : refusals)
        EXPECT_EQ(OnlyError(refusal.document).message, refusal.message);
    const ConfigError syntax = OnlyError("{\"format\": 1,\n\"io\": 7 8}");
    EXPECT_EQ(syntax.message.rfind("第 2 行，第 9 列：", 0), 0u) << syntax.message;

    ConfigError type;
    ConfigDocument other = ParseOk(R"({"format": 1, "module_type": "tavel/devicenet"})");
    ASSERT_FALSE(CheckModuleType(other, ModuleBlocks(), &type));
    EXPECT_EQ(type.message,
              "module_type：读到的值为 \"tavel/devicenet\"；允许的值：\"tavel/canopen\"，即模块的"
              "类型；为其他类型的模块制作的文件不能使用");

    TempDir folder;
    ConfigDocument document;
    std::vector<ConfigError> errors;
    EXPECT_FALSE(LoadConfigFile(folder.path(), &document, &errors));
    EXPECT_EQ(ConfigErrorsText(errors),
              "无法读取 " + folder.path() + "：它是文件夹，不是普通文件\n");
    // A value the notation has no name for: shown raw in a Chinese sentence,
    // and the same for scripts in every language.
    ConfigBlocks module = ModuleBlocks();
    SetWireWord(module.fieldbus, 10, 250);
    ConfigDiff diff;
    ASSERT_TRUE(
        DiffConfig(module, ParseOk(Document(R"("fieldbus": {"bit_rate": 2}})")), &diff, &errors));
    ASSERT_EQ(diff.rows.size(), 1u);
    EXPECT_EQ(diff.rows[0].moduleText, "（250，超出允许的值）");
    EXPECT_EQ(diff.rows[0].moduleValue, "(250, outside the allowed values)");
    // quillon-cli's help and manual page stay English whatever the locale.
    for (const auto& [key, allowed] : ConfigKeyFormats())
        for (unsigned char c : allowed) EXPECT_LT(c, 0x80) << key << ": " << allowed;
}

}  // namespace
