// The configuration document reader takes any text: it either reads a
// document or names at least one error, never both. A document it reads,
// applied to a module, written out and read again, sends the same frames.
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

bool SameFrames(const ConfigBlocks& a, const ConfigBlocks& b) {
    for (int g = 0; g < kConfigGroupCount; ++g) {
        uint8_t x[64];
        uint8_t y[64];
        const auto group = static_cast<ConfigGroup>(g);
        const size_t n = ConfigGroupData(group, a, x, sizeof x);
        if (n == 0 || n != ConfigGroupData(group, b, y, sizeof y) || memcmp(x, y, n) != 0)
            return false;
    }
    return true;
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
        ConfigBlocks module;
        SetHeldWord(module.general, 4, document.moduleType);
        SetHeldWord(module.general, 6, document.fieldbusType);
        ConfigDiff diff;
        errors.clear();
        if (DiffConfig(module, document, &diff, &errors)) {
            for (const ConfigDiffRow& row : diff.rows) {
                if ((diff.groups & GroupBit(row.group)) == 0) abort();
            }
            ConfigDocument again;
            if (!ParseConfigDocument(ConfigToJson(diff.blocks), &again, &errors)) abort();
            ConfigBlocks rebuilt = module;
            if (!ApplyConfigDocument(again, &rebuilt, &errors) || !SameFrames(rebuilt, diff.blocks))
                abort();
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
