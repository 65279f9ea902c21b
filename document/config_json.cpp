#include "config_json.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <unordered_set>

#include "atomic_file.h"
#include "config_fields.h"
#include "core_texts.h"
#include "entry_rules.h"
#include "fieldbus_block.h"
#include "general_block.h"
#include "regular_file.h"

using configdoc::FoundText;
using configdoc::Json;
using configdoc::kFieldLayouts;
using configdoc::MakeError;

namespace {

const char* const kSections[] = {"general", "io", "fieldbus"};
const char* const kDeviceKeys[] = {"vendor_id",      "product_code",        "serial_number",
                                   "product_name",   "actual_node_address", "actual_bit_rate",
                                   "modbus_address", "modbus_crc"};
const char* const kTopKeys = "format, module_type, device, general, io, fieldbus";
constexpr size_t kMaxReportedErrors = 20;
// A document needs three levels (the root, a section, the interrupt list).
constexpr size_t kMaxDepth = 32;

// Builds the document tree from the reader's events. Beyond what the
// library's own tree builder does, it keeps the position of a syntax error
// (so that the line and column can be told) and notes keys given twice, which
// the library would silently reduce to one.
class TreeBuilder : public nlohmann::json_sax<Json> {
public:
    Json root;
    bool failed = false;
    bool tooDeep = false;  // no position then
    size_t position = 0;
    std::string description;
    std::vector<std::string> duplicates;  // key paths

    bool null() override { return Add(Json()); }
    bool boolean(bool value) override { return Add(Json(value)); }
    bool number_integer(number_integer_t value) override { return Add(Json(value)); }
    bool number_unsigned(number_unsigned_t value) override { return Add(Json(value)); }
    bool number_float(number_float_t value, const string_t&) override { return Add(Json(value)); }
    bool string(string_t& value) override { return Add(Json(std::move(value))); }
    bool binary(binary_t&) override { return Add(Json()); }
    bool start_object(std::size_t) override { return Open(Json::object()); }
    bool key(string_t& key) override {
        if (!m_keys.back().insert(key).second) duplicates.push_back(PathOf(key));
        m_key = key;
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(Json::array()); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t at, const std::string&, const Json::exception& ex) override {
        failed = true;
        position = at;
        description = ex.what();
        return false;
    }

private:
    // Only the innermost open container grows, so the pointers to it and to
    // the ones around it stay valid. Members are appended without the
    // library's search for an equal key, which would make a file of many
    // keys take quadratic time; a key given twice is reported instead.
    Json* Place(Json value) {
        if (m_open.empty()) {
            root = std::move(value);
            return &root;
        }
        Json* top = m_open.back();
        if (top->is_array()) {
            top->push_back(std::move(value));
            return &top->back();
        }
        auto& members = top->get_ref<Json::object_t&>();
        members.emplace_back(m_key, std::move(value));
        return &members.back().second;
    }
    bool Add(Json value) {
        Place(std::move(value));
        return true;
    }
    bool Open(Json container) {
        // Writing a value out (FoundText) recurses once per level.
        if (m_open.size() >= kMaxDepth) {
            failed = true;
            tooDeep = true;
            return false;
        }
        const bool inObject = !m_open.empty() && m_open.back()->is_object();
        m_names.push_back(inObject ? m_key : std::string());
        m_keys.emplace_back();
        m_open.push_back(Place(std::move(container)));
        return true;
    }
    bool Close() {
        m_open.pop_back();
        m_names.pop_back();
        m_keys.pop_back();
        return true;
    }
    std::string PathOf(const std::string& key) const {
        std::string path;
        for (const std::string& name : m_names) {
            if (!name.empty()) path += name + ".";
        }
        return path + key;
    }

    std::vector<Json*> m_open;
    std::vector<std::string> m_names;
    std::vector<std::unordered_set<std::string>> m_keys;  // of each open container
    std::string m_key;
};

// Line and column (1-based, columns in characters) of the character at which
// the reader stopped: position counts the bytes read, that one included.
void LineAndColumn(const std::string& text, size_t position, int* line, int* column) {
    size_t end = position == 0 ? 0 : position - 1;
    if (end > text.size()) end = text.size();
    size_t i = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // a byte-order mark is no column
    int l = 1;
    int c = 1;
    for (; i < end; ++i) {
        if (text[i] == '\n') {
            ++l;
            c = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++c;
        }
    }
    *line = l;
    *column = c;
}

// The reader's own words without its exception tag and its position, which
// counts bytes and is replaced by ours.
std::string SyntaxDescription(const std::string& what) {
    std::string text = what;
    const size_t tag = text.find("] ");
    if (text.rfind("[json.exception.", 0) == 0 && tag != std::string::npos)
        text = text.substr(tag + 2);
    if (text.rfind("parse error at line", 0) == 0) {
        const size_t colon = text.find(": ");
        if (colon != std::string::npos) text = text.substr(colon + 2);
    }
    return text;
}

ConfigError SyntaxError(const std::string& text, const TreeBuilder& builder) {
    ConfigError error;
    LineAndColumn(text, builder.position, &error.line, &error.column);
    error.allowed = CoreString(kTextDocJsonText);
    error.message =
        FillCoreText(kTextDocSyntax, {{"line", std::to_string(error.line)},
                                      {"column", std::to_string(error.column)},
                                      {"detail", SyntaxDescription(builder.description)}});
    return error;
}

ConfigError PlainError(const std::string& message) {
    ConfigError error;
    error.message = message;
    return error;
}

int FieldOf(const std::string& section, const std::string& key) {
    for (int f = 0; f < kConfigFieldCount; ++f) {
        if (section == kFieldLayouts[f].section && key == kFieldLayouts[f].key) return f;
    }
    return -1;
}

int FieldOfPath(const std::string& path) {
    const size_t dot = path.find('.');
    if (dot == std::string::npos) return -1;
    return FieldOf(path.substr(0, dot), path.substr(dot + 1));
}

std::string KeysOf(const std::string& section) {
    std::string keys;
    for (const auto& layout : kFieldLayouts) {
        if (section != layout.section) continue;
        keys += (keys.empty() ? "" : ", ") + std::string(layout.key);
    }
    return keys;
}

std::string WritableKeyPaths() {
    std::string keys;
    for (int f = 0; f < kConfigFieldCount; ++f)
        keys +=
            (keys.empty() ? "" : ", ") + std::string(ConfigFieldPath(static_cast<ConfigField>(f)));
    return keys;
}

ConfigError UnknownKey(const std::string& path, const Json& value, const std::string& allowed) {
    ConfigError error = MakeError(path, FoundText(value), allowed);
    error.message = FillCoreText(kTextDocUnknownKey,
                                 {{"path", path}, {"found", error.found}, {"allowed", allowed}});
    return error;
}

// A node address given without a switch coding in the same document is
// checked when the module's coding is known (Apply).
void CheckNodeAddress(const ConfigDocument& document, std::vector<ConfigError>* errors) {
    if (!document.Has(kFieldNodeAddress) || !document.Has(kFieldSwitchCoding)) return;
    const int coding = configdoc::CodingOf(document.blocks);
    uint16_t address = 0;
    if (CheckCanNodeAddress(document.nodeAddress, coding, &address) != NodeAddressEntry::Ok)
        errors->push_back(MakeError(ConfigFieldPath(kFieldNodeAddress),
                                    configdoc::NodeAddressFound(document.nodeAddress),
                                    configdoc::NodeAddressAllowed(coding)));
}

// One value of a writable field into the document; false with the error.
bool TakeField(ConfigField field, const Json& value, ConfigDocument* document,
               std::vector<ConfigError>* errors) {
    const std::string path = ConfigFieldPath(field);
    if (field == kFieldNodeAddress) {
        std::string text;
        if (!configdoc::NodeAddressText(value, &text)) {
            const int coding =
                document->Has(kFieldSwitchCoding) ? configdoc::CodingOf(document->blocks) : 0;
            errors->push_back(MakeError(path, FoundText(value),
                                        document->Has(kFieldSwitchCoding)
                                            ? configdoc::NodeAddressAllowed(coding)
                                            : CoreString(kTextDocNodeEitherCoding)));
            return false;
        }
        document->nodeAddress = text;
        document->given |= FieldBit(field);
        return true;
    }
    std::string allowed;
    if (!configdoc::FieldFromJson(field, value, &document->blocks, &allowed,
                                  CurrentTextLanguage())) {
        errors->push_back(MakeError(path, FoundText(value), allowed));
        return false;
    }
    document->given |= FieldBit(field);
    return true;
}

void ReadSection(const std::string& section, const Json& object, ConfigDocument* document,
                 std::vector<ConfigError>* errors) {
    if (!object.is_object()) {
        errors->push_back(
            MakeError(section, FoundText(object),
                      FillCoreText(kTextDocSectionAllowed,
                                   {{"section", section}, {"keys", KeysOf(section)}})));
        return;
    }
    for (const auto& item : object.items()) {
        const int f = FieldOf(section, item.key());
        if (f < 0) {
            errors->push_back(
                UnknownKey(section + "." + item.key(), item.value(), KeysOf(section)));
            continue;
        }
        if (item.value().is_null()) continue;  // leave it as the module has it
        TakeField(static_cast<ConfigField>(f), item.value(), document, errors);
    }
}

// The device object is a record of the module the file was saved from; its
// values are never written, so only its keys are checked.
void ReadDevice(const Json& object, std::vector<ConfigError>* errors) {
    std::string keys;
    for (const char* key : kDeviceKeys) keys += (keys.empty() ? "" : ", ") + std::string(key);
    if (!object.is_object()) {
        errors->push_back(MakeError("device", FoundText(object),
                                    FillCoreText(kTextDocDeviceAllowed, {{"keys", keys}})));
        return;
    }
    for (const auto& item : object.items()) {
        bool known = false;
        for (const char* key : kDeviceKeys) known = known || item.key() == key;
        if (!known) errors->push_back(UnknownKey("device." + item.key(), item.value(), keys));
    }
}

// Adds the errors of the tree to *errors, which may already hold the keys
// given twice; *document is written only when the list ends up empty.
bool ParseTree(const Json& root, ConfigDocument* document, std::vector<ConfigError>* errors) {
    if (!root.is_object()) {
        errors->push_back(
            MakeError("", FoundText(root), FillCoreText(kTextDocTopAllowed, {{"keys", kTopKeys}})));
        return false;
    }
    // Another format may give every key another meaning: nothing else is read.
    const auto format = root.find("format");
    if (format == root.end()) {
        errors->push_back(MakeError("format", CoreString(kTextDocKeyMissing), "1"));
        return false;
    }
    if (!format->is_number_integer() || format->get<int64_t>() != kConfigFormat) {
        errors->push_back(
            MakeError("format", FoundText(*format), CoreString(kTextDocFormatAllowed)));
        return false;
    }

    ConfigDocument read;
    bool typed = false;
    for (const auto& item : root.items()) {
        const std::string& key = item.key();
        const Json& value = item.value();
        if (key == "format") continue;
        if (key == "module_type") {
            typed = value.is_string() &&
                    configdoc::ParseModuleTypeName(value.get<std::string>(), &read.moduleType,
                                                   &read.fieldbusType);
            if (!typed)
                errors->push_back(
                    MakeError("module_type", FoundText(value), configdoc::ModuleTypeAllowed()));
        } else if (key == "device") {
            ReadDevice(value, errors);
        } else if (key == kSections[0] || key == kSections[1] || key == kSections[2]) {
            ReadSection(key, value, &read, errors);
        } else {
            errors->push_back(UnknownKey(key, value, kTopKeys));
        }
    }
    if (root.find("module_type") == root.end())
        errors->push_back(MakeError("module_type", CoreString(kTextDocKeyMissing),
                                    configdoc::ModuleTypeAllowed()));
    CheckNodeAddress(read, errors);
    if (!errors->empty()) return false;
    *document = read;
    return true;
}

bool ParseText(const std::string& text, ConfigDocument* document,
               std::vector<ConfigError>* errors) {
    if (text.size() > kMaxConfigTextBytes) {
        errors->push_back(PlainError(
            FillCoreText(kTextDocTooLarge, {{"size", std::to_string(text.size())},
                                            {"max", std::to_string(kMaxConfigTextBytes)}})));
        return false;
    }
    TreeBuilder builder;
    Json::sax_parse(text, &builder);
    if (builder.tooDeep) {
        errors->push_back(
            PlainError(FillCoreText(kTextDocTooDeep, {{"levels", std::to_string(kMaxDepth)}})));
        return false;
    }
    if (builder.failed) {
        errors->push_back(SyntaxError(text, builder));
        return false;
    }
    std::vector<ConfigError> found;
    for (const std::string& path : builder.duplicates) {
        ConfigError error;
        error.path = path;
        error.allowed = CoreString(kTextDocEachKeyOnce);
        error.message = FillCoreText(kTextDocKeyTwice, {{"path", path}});
        found.push_back(error);
    }
    const bool read = ParseTree(builder.root, document, &found);
    errors->insert(errors->end(), found.begin(), found.end());
    return read;
}

std::string Trim(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    return text.substr(begin, end - begin);
}

// A command-line value in the document's notation, quotes optional for text.
// A value written as JSON, through the same reader as a file so that its
// nesting is bounded too.
bool ReadJsonValue(const std::string& text, Json* value) {
    TreeBuilder builder;
    Json::sax_parse(text, &builder);
    if (builder.failed) return false;
    *value = std::move(builder.root);
    return true;
}

Json ValueOfText(ConfigField field, const std::string& text) {
    Json parsed;
    const bool json = ReadJsonValue(text, &parsed);
    switch (field) {
        case kFieldInterrupts: {
            if (!text.empty() && text[0] == '[') return json ? parsed : Json(text);
            Json names = Json::array();
            std::string name;
            for (char c : text + ",") {
                if (c == ',' || c == ' ' || c == '\t') {
                    if (!name.empty()) names.push_back(name);
                    name.clear();
                } else {
                    name.push_back(c);
                }
            }
            return names;
        }
        case kFieldCpha:
        case kFieldCpol:
        case kFieldFrameInterval:
        case kFieldBaudRate:
        case kFieldStopBits:
        case kFieldWatchdog:
        case kFieldInputLength:
        case kFieldOutputLength:
        case kFieldBitRate:
            return json ? parsed : Json(text);
        default:
            // Quotes are optional: a quoted text is read as JSON, so that blanks
            // at its ends and escapes can be given.
            return json && parsed.is_string() && !text.empty() && text[0] == '"' ? parsed
                                                                                 : Json(text);
    }
}

bool SetValue(ConfigDocument* document, const std::string& assignment,
              std::vector<ConfigError>* errors, ConfigField* set) {
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos) {
        errors->push_back(
            MakeError(Trim(assignment), CoreString(kTextDocNoEquals),
                      FillCoreText(kTextDocAssignment, {{"keys", WritableKeyPaths()}})));
        return false;
    }
    const std::string key = Trim(assignment.substr(0, equals));
    const std::string text = Trim(assignment.substr(equals + 1));
    const int f = FieldOfPath(key);
    if (f < 0) {
        const bool record = key.rfind("device.", 0) == 0 || key == "format" || key == "module_type";
        ConfigError error = UnknownKey(key, Json(text), WritableKeyPaths());
        if (record)
            error.message =
                FillCoreText(kTextDocReadOnlyKey,
                             {{"path", key}, {"found", error.found}, {"allowed", error.allowed}});
        errors->push_back(error);
        return false;
    }
    const auto field = static_cast<ConfigField>(f);
    ConfigDocument changed = *document;
    if (!TakeField(field, ValueOfText(field, text), &changed, errors)) return false;
    const size_t before = errors->size();
    CheckNodeAddress(changed, errors);
    if (errors->size() != before) return false;
    *document = changed;
    if (set != nullptr) *set = field;
    return true;
}

}  // namespace

std::string ConfigToJson(const ConfigBlocks& module) {
    using configdoc::FieldJson;
    Json document;
    document["format"] = kConfigFormat;
    document["module_type"] =
        configdoc::ModuleTypeName(HeldWord(module.general, 4), HeldWord(module.general, 6));

    Json device = Json::object();
    device["vendor_id"] = FieldJson(kFieldVendorId, module);
    device["product_code"] = FieldJson(kFieldProductCode, module);
    device["serial_number"] = FieldJson(kFieldSerialNumber, module);
    device["product_name"] = FieldJson(kFieldProductName, module);
    device["actual_node_address"] = configdoc::NodeAddressJson(
        FormatNodeAddress(WireWord(module.fieldbus, 8), configdoc::CodingOf(module)));
    device["actual_bit_rate"] = WireWord(module.fieldbus, 12);
    device["modbus_address"] = HeldWord(module.general, 28);
    device["modbus_crc"] = HeldWord(module.general, 30) == 0 ? "enabled" : "disabled";
    document["device"] = device;

    for (const char* section : kSections) document[section] = Json::object();
    for (int f = 0; f < kConfigFieldCount; ++f) {
        const auto& layout = kFieldLayouts[f];
        document[layout.section][layout.key] = FieldJson(static_cast<ConfigField>(f), module);
    }
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

// The library reports its failures by exceptions; none may leave this file.
bool ParseConfigDocument(const std::string& text, ConfigDocument* document,
                         std::vector<ConfigError>* errors) {
    try {
        std::vector<ConfigError> found;
        const bool read = ParseText(text, document, &found);
        // A wrong file can hold thousands of unknown keys; the first ones
        // tell the story.
        if (found.size() > kMaxReportedErrors) {
            const size_t more = found.size() - kMaxReportedErrors;
            found.resize(kMaxReportedErrors);
            found.push_back(
                PlainError(FillCoreText(kTextDocMoreErrors, {{"count", std::to_string(more)}})));
        }
        errors->insert(errors->end(), found.begin(), found.end());
        return read;
    } catch (const std::exception& e) {
        errors->push_back(PlainError(FillCoreText(kTextDocUnreadable, {{"detail", e.what()}})));
        return false;
    }
}

bool SetConfigValue(ConfigDocument* document, const std::string& assignment,
                    std::vector<ConfigError>* errors, ConfigField* field) {
    try {
        return SetValue(document, assignment, errors, field);
    } catch (const std::exception& e) {
        errors->push_back(
            PlainError(FillCoreText(kTextDocValueUnreadable, {{"detail", e.what()}})));
        return false;
    }
}

bool SaveConfigFile(const std::string& path, const ConfigBlocks& module, std::string* error) {
    std::string text;
    try {
        text = ConfigToJson(module);
    } catch (const std::exception& e) {
        *error = FillCoreText(kTextDocNotText, {{"detail", e.what()}});
        return false;
    }
    const int status = ReplaceFileAtomically(path, text);
    if (status == 0) return true;
    *error = FillCoreText(kTextDocCannotWrite,
                          {{"path", path}, {"reason", FileErrorText(status, PathKind(path))}});
    return false;
}

namespace {

// The document read from `name`, or the reason it could not be read.
bool ParseReadText(int readError, FileKind kind, const std::string& name, const std::string& text,
                   ConfigDocument* document, std::vector<ConfigError>* errors) {
    if (readError == EFBIG) {
        errors->push_back(PlainError(
            FillCoreText(kTextDocFileTooLarge,
                         {{"path", name}, {"kb", std::to_string(kMaxConfigTextBytes / 1024)}})));
        return false;
    }
    if (readError != 0) {
        errors->push_back(PlainError(FillCoreText(
            kTextDocCannotRead, {{"path", name}, {"reason", FileErrorText(readError, kind)}})));
        return false;
    }
    return ParseConfigDocument(text, document, errors);
}

}  // namespace

bool LoadConfigFile(const std::string& path, ConfigDocument* document,
                    std::vector<ConfigError>* errors) {
    std::string text;
    FileKind kind = FileKind::Missing;
    const int status = ReadRegularFile(path, &text, kMaxConfigTextBytes, &kind);
    return ParseReadText(status, kind, path, text, document, errors);
}

bool LoadConfigStream(int fd, const std::string& name, ConfigDocument* document,
                      std::vector<ConfigError>* errors) {
    std::string text;
    const int status = ReadToEnd(fd, &text, kMaxConfigTextBytes);
    return ParseReadText(status, FileKind::Regular, name, text, document, errors);
}

std::vector<std::pair<std::string, std::string>> ConfigKeyFormats(TextLanguage language) {
    std::vector<std::pair<std::string, std::string>> keys;
    for (int f = 0; f < kConfigFieldCount; ++f) {
        const auto field = static_cast<ConfigField>(f);
        std::string allowed = CoreTextIn(kTextDocNodeHelp, language);
        if (field != kFieldNodeAddress) {
            // A value no field takes yields the field's allowed values.
            ConfigBlocks scratch;
            configdoc::FieldFromJson(field, Json(), &scratch, &allowed, language);
        }
        if (kConfigGroups[kFieldLayouts[f].group].password)
            allowed = FillText(CoreTextIn(kTextDocPasswordOnly, language), {{"allowed", allowed}});
        keys.emplace_back(ConfigFieldPath(field), allowed);
    }
    return keys;
}

std::string ConfigErrorsText(const std::vector<ConfigError>& errors) {
    std::string text;
    for (const ConfigError& error : errors) text += error.message + "\n";
    return text;
}
