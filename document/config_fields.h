#pragma once

// The writable fields of the configuration document: where each lies in the
// blocks and how its value is written and read in the document's notation.
// Shared by config_document.cpp and config_json.cpp only.

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "config_document.h"
#include "text_language.h"

namespace configdoc {

// Keys keep the order they are written in.
using Json = nlohmann::ordered_json;

struct FieldLayout {
    const char* section;  // "general", "io", "fieldbus"
    const char* key;
    ConfigGroup group;
    ConfigBlock block;
    size_t offset;  // held bytes the field owns
    size_t length;
    uint8_t mask;  // bits of each byte the field owns (the UART format byte is shared)
};
extern const FieldLayout kFieldLayouts[kConfigFieldCount];

const uint8_t* BlockBytes(const ConfigBlocks& blocks, ConfigBlock block);
uint8_t* BlockBytes(ConfigBlocks* blocks, ConfigBlock block);

// Node-address notation of the blocks: their switch coding (general word 10),
// as the fieldbus page uses it after a read.
int CodingOf(const ConfigBlocks& blocks);

// The field's value in the document's notation; null when the blocks hold a
// value outside the field's list.
Json FieldJson(ConfigField field, const ConfigBlocks& blocks);
// The same for a person: text bare, lists joined, a value outside its list
// shown raw in a sentence of the language given.
std::string FieldText(ConfigField field, const ConfigBlocks& blocks, TextLanguage language);

// Writes a non-null value of the field into the blocks; false with *allowed
// set, in the language given, when the value is refused. Not for the node
// address.
bool FieldFromJson(ConfigField field, const Json& value, ConfigBlocks* blocks, std::string* allowed,
                   TextLanguage language);

// The node address of a document value: a whole number gives its decimal
// digits, text is taken as it is; false for anything else.
bool NodeAddressText(const Json& value, std::string* text);
std::string NodeAddressAllowed(int coding);
// The node address text as found: bare when it is digits alone, quoted otherwise.
std::string NodeAddressFound(const std::string& text);
// In its notation: digits alone as a number, anything else as text.
Json NodeAddressJson(const std::string& text);

// "tavel/canopen"; values without a name as "0x%04X".
std::string ModuleTypeName(uint16_t moduleType, uint16_t fieldbusType);
bool ParseModuleTypeName(const std::string& text, uint16_t* moduleType, uint16_t* fieldbusType);
const char* ModuleTypeAllowed();

// A value as the file holds it, cut to a readable length.
std::string FoundText(const Json& value);
// An empty path stands for the document as a whole.
ConfigError MakeError(const std::string& path, const std::string& found,
                      const std::string& allowed);

}  // namespace configdoc
