// The configuration document reader takes any text: it either reads a
// document or names at least one error, never both. A document it reads,
// applied to a module, written out and read again, differs in nothing.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "config_document.h"
#include "config_json.h"
#include "general_block.h"

namespace {

void CheckErrors(const std::vector<ConfigError>& errors) {
    for (const ConfigError& error : errors) {
        if (error.message.empty()) abort();
        if (error.line < 0 || error.column < 0 || (error.line == 0) != (error.column == 0)) abort();
    }
}

// Every group has its frame data, of the length its frame declares.
void CheckFrames(const ConfigBlocks& blocks) {
    for (int g = 0; g < kConfigGroupCount; ++g) {
        uint8_t data[64];
        const size_t n = ConfigGroupData(static_cast<ConfigGroup>(g), blocks, data, sizeof data);
        if (n != kConfigGroups[g].length || n != 2u * kConfigGroups[g].quantity) abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ConfigDocument document;
    std::vector<ConfigError> errors;
    const bool read = ParseConfigDocument(text, &document, &errors);
    if (read != errors.empty()) abort();
    CheckErrors(errors);

    if (read) {
        // A module holding anything at all, of the document's type.
        ConfigBlocks module;
        uint8_t* bytes = reinterpret_cast<uint8_t*>(&module);
        for (size_t i = 0; i < sizeof module; ++i) bytes[i] = size > 0 ? data[(i * 7) % size] : 0;
        SetHeldWord(module.general, 4, document.moduleType);
        SetHeldWord(module.general, 6, document.fieldbusType);
        ConfigDiff diff;
        errors.clear();
        if (DiffConfig(module, document, &diff, &errors)) {
            for (const ConfigDiffRow& row : diff.rows) {
                if ((diff.groups & GroupBit(row.group)) == 0) abort();
            }
            // The configuration written out and read back is the same: nothing
            // to write against the blocks it was written from, whatever they
            // held.
            ConfigDocument again;
            if (!ParseConfigDocument(ConfigToJson(diff.blocks), &again, &errors)) abort();
            ConfigDiff none;
            if (!DiffConfig(diff.blocks, again, &none, &errors) || !none.rows.empty() ||
                none.groups != 0)
                abort();
            CheckFrames(diff.blocks);
        } else if (errors.empty()) {
            abort();
        }
        CheckErrors(errors);
    }

    // The same text as a command-line assignment.
    ConfigDocument set = EmptyDocumentFor(ConfigBlocks());
    errors.clear();
    if (SetConfigValue(&set, text, &errors) != errors.empty()) abort();
    CheckErrors(errors);
    return 0;
}
