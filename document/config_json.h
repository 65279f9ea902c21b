#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "config_document.h"
#include "text_language.h"

// The configuration document as JSON text, shared by the full edition's
// configuration files and the command-line tool (`read --json`, `set`):
//
//   {
//     "format": 1,
//     "module_type": "tavel/canopen",
//     "device":   { read-only record, never written },
//     "general":  { "switch_coding": "bcd", "offline": "freeze", ... },
//     "io":       { "input_length": 16, "output_length": 16 },
//     "fieldbus": { "node_address": 25, "bit_rate": 2, ... }
//   }
//
// Values are in the notation a technician reads: decimal numbers, names for
// list choices, hex text ("01 02 03") for byte lists, the CAN bit rate as its
// code 0 to 8 (or, when read, its name "500 kbps"), and the node address as a
// CANopen node number 1 to 127 in the notation of the switch coding (the
// digits the switches show under BCD). A null value, as written for a module
// value outside its list or range or one a module cannot use (or a product
// name that is no CP936 text), and a missing key both leave the field as the
// module has it. Unknown keys are errors.

constexpr int kConfigFormat = 1;
// Far above any real document (about 2 KB); a wrong file is refused unread.
constexpr size_t kMaxConfigTextBytes = 256 * 1024;

// The whole document of a module's blocks, indented, ending in a newline.
std::string ConfigToJson(const ConfigBlocks& module);

// Reads a document. On any error *document is left as it was and every error
// found is added to *errors (each names its key path, the value found and
// what is allowed; a syntax error names its line and column instead).
// "format" must be 1 and "module_type" is required; whether it matches the
// module is checked where the module is known (CheckModuleType, Apply, Diff).
bool ParseConfigDocument(const std::string& text, ConfigDocument* document,
                         std::vector<ConfigError>* errors);

// Applies one "KEY=VALUE" to the document, KEY a key path of a writable
// field ("general.parity") and VALUE in the document's notation, quotes
// optional for text ("general.parity=even", "fieldbus.vendor_id=00 00 03 A5",
// "general.interrupts=SYSS,FBON"). Errors as ParseConfigDocument; *field
// (when given) tells which field was set.
bool SetConfigValue(ConfigDocument* document, const std::string& assignment,
                    std::vector<ConfigError>* errors, ConfigField* field = nullptr);

// Writes ConfigToJson of the blocks to the file atomically (the previous file
// stays whole on failure). False with a message naming the file and the
// reason.
bool SaveConfigFile(const std::string& path, const ConfigBlocks& module, std::string* error);

// Reads and parses a file; a file that cannot be read gives one error whose
// message names the file and the reason. Only a regular file is read (a FIFO
// or a device is refused by what it is, without blocking), and no more of it
// than a document can hold.
bool LoadConfigFile(const std::string& path, ConfigDocument* document,
                    std::vector<ConfigError>* errors);
// The same for a document arriving on a descriptor (standard input), read to
// its end but never beyond the size a document can have; `name` stands for
// it in the messages.
bool LoadConfigStream(int fd, const std::string& name, ConfigDocument* document,
                      std::vector<ConfigError>* errors);

// Every writable key of the document with what it takes, in document order,
// for help texts: {"general.parity", "\"none\", \"odd\" or \"even\""}, ...
// English unless asked otherwise: quillon-cli's help and manual page are
// English in every locale.
std::vector<std::pair<std::string, std::string>> ConfigKeyFormats(
    TextLanguage language = TextLanguage::English);

// The messages, one a line.
std::string ConfigErrorsText(const std::vector<ConfigError>& errors);
