#include "config_document.h"

#include <array>
#include <cstring>

#include "config_fields.h"
#include "core_texts.h"
#include "entry_rules.h"
#include "fieldbus_block.h"
#include "general_block.h"

using configdoc::kFieldLayouts;

namespace {

uint16_t ModuleTypeOf(const ConfigBlocks& blocks) {
    return HeldWord(blocks.general, 4);
}

uint16_t FieldbusTypeOf(const ConfigBlocks& blocks) {
    return HeldWord(blocks.general, 6);
}

bool SameFieldBytes(ConfigField field, const ConfigBlocks& a, const ConfigBlocks& b) {
    const auto& layout = kFieldLayouts[field];
    const uint8_t* x = configdoc::BlockBytes(a, layout.block) + layout.offset;
    const uint8_t* y = configdoc::BlockBytes(b, layout.block) + layout.offset;
    for (size_t i = 0; i < layout.length; ++i) {
        if ((x[i] ^ y[i]) & layout.mask) return false;
    }
    return true;
}

void CopyFieldBytes(ConfigField field, const ConfigBlocks& from, ConfigBlocks* to) {
    const auto& layout = kFieldLayouts[field];
    const uint8_t* source = configdoc::BlockBytes(from, layout.block) + layout.offset;
    uint8_t* target = configdoc::BlockBytes(to, layout.block) + layout.offset;
    for (size_t i = 0; i < layout.length; ++i)
        target[i] = static_cast<uint8_t>((target[i] & ~layout.mask) | (source[i] & layout.mask));
}

}  // namespace

const char* ConfigFieldPath(ConfigField field) {
    static const std::array<std::string, kConfigFieldCount> paths = [] {
        std::array<std::string, kConfigFieldCount> made;
        for (int f = 0; f < kConfigFieldCount; ++f)
            made[f] = std::string(kFieldLayouts[f].section) + "." + kFieldLayouts[f].key;
        return made;
    }();
    return field >= 0 && field < kConfigFieldCount ? paths[field].c_str() : "";
}

ConfigGroup ConfigFieldGroup(ConfigField field) {
    return kFieldLayouts[field].group;
}

ConfigGroupSet GroupsOfFields(ConfigFieldSet fields) {
    ConfigGroupSet groups = 0;
    for (int f = 0; f < kConfigFieldCount; ++f) {
        if (fields & FieldBit(static_cast<ConfigField>(f)))
            groups |= GroupBit(kFieldLayouts[f].group);
    }
    return groups;
}

ConfigDocument EmptyDocumentFor(const ConfigBlocks& module) {
    ConfigDocument document;
    document.moduleType = ModuleTypeOf(module);
    document.fieldbusType = FieldbusTypeOf(module);
    return document;
}

ConfigDocument DocumentFromBlocks(const ConfigBlocks& module) {
    ConfigDocument document = EmptyDocumentFor(module);
    document.blocks = module;
    for (int f = 0; f < kConfigFieldCount; ++f) {
        const auto field = static_cast<ConfigField>(f);
        if (!configdoc::FieldJson(field, module).is_null()) document.given |= FieldBit(field);
    }
    document.nodeAddress =
        FormatNodeAddress(WireWord(module.fieldbus, 6), configdoc::CodingOf(module));
    return document;
}

bool CheckModuleType(const ConfigDocument& document, const ConfigBlocks& module,
                     ConfigError* error) {
    if (document.moduleType == ModuleTypeOf(module) &&
        document.fieldbusType == FieldbusTypeOf(module))
        return true;
    const std::string moduleName =
        configdoc::ModuleTypeName(ModuleTypeOf(module), FieldbusTypeOf(module));
    *error = configdoc::MakeError(
        "module_type",
        "\"" + configdoc::ModuleTypeName(document.moduleType, document.fieldbusType) + "\"",
        FillCoreText(kTextDocModuleType, {{"module", moduleName}}));
    return false;
}

bool ApplyConfigDocument(const ConfigDocument& document, ConfigBlocks* blocks,
                         std::vector<ConfigError>* errors) {
    ConfigError error;
    if (!CheckModuleType(document, *blocks, &error)) {
        errors->push_back(error);
        return false;
    }
    ConfigBlocks out = *blocks;
    for (int f = 0; f < kConfigFieldCount; ++f) {
        const auto field = static_cast<ConfigField>(f);
        if (field != kFieldNodeAddress && document.Has(field))
            CopyFieldBytes(field, document.blocks, &out);
    }
    if (document.Has(kFieldNodeAddress)) {
        // The switch coding now in force: the document's when it gives one.
        const int coding = configdoc::CodingOf(out);
        uint16_t address = 0;
        if (CheckCanNodeAddress(document.nodeAddress, coding, &address) != NodeAddressEntry::Ok) {
            errors->push_back(
                configdoc::MakeError(ConfigFieldPath(kFieldNodeAddress),
                                     configdoc::NodeAddressFound(document.nodeAddress),
                                     configdoc::NodeAddressAllowed(coding)));
            return false;
        }
        SetWireWord(out.fieldbus, 6, address);
    }
    *blocks = out;
    return true;
}

bool DiffConfig(const ConfigBlocks& module, const ConfigDocument& document, ConfigDiff* diff,
                std::vector<ConfigError>* errors) {
    ConfigBlocks applied = module;
    if (!ApplyConfigDocument(document, &applied, errors)) return false;
    diff->rows.clear();
    diff->groups = 0;
    diff->blocks = applied;
    for (int f = 0; f < kConfigFieldCount; ++f) {
        const auto field = static_cast<ConfigField>(f);
        if (!document.Has(field) || SameFieldBytes(field, module, applied)) continue;
        // The node address is compared as the register value alone: its text
        // depends on the switch coding, which the document may change.
        if (field != kFieldNodeAddress &&
            configdoc::FieldJson(field, module) == configdoc::FieldJson(field, applied))
            continue;
        ConfigDiffRow row;
        row.field = field;
        row.group = kFieldLayouts[f].group;
        row.path = ConfigFieldPath(field);
        row.moduleValue = configdoc::FieldText(field, module, TextLanguage::English);
        row.fileValue = configdoc::FieldText(field, applied, TextLanguage::English);
        row.moduleText = configdoc::FieldText(field, module, CurrentTextLanguage());
        row.fileText = configdoc::FieldText(field, applied, CurrentTextLanguage());
        diff->rows.push_back(row);
        diff->groups |= GroupBit(row.group);
    }
    return true;
}
