// The configuration document from the command line: read, save, load, diff
// and set.

#include <unistd.h>

#include <ostream>
#include <string>
#include <vector>

#include "cli_commands.h"
#include "cli_texts.h"
#include "clicontext.h"
#include "config_json.h"
#include "config_transfer.h"

namespace {

const char* BlockName(ConfigBlock block) {
    switch (block) {
        case ConfigBlock::General:
            return CliString(kCliStepReadGeneral);
        case ConfigBlock::Io:
            return CliString(kCliStepReadIo);
        case ConfigBlock::Fieldbus:
            return CliString(kCliStepReadFieldbus);
    }
    return CliString(kCliStepReadConfig);
}

// The module's three blocks; kExitOk or the status after telling why.
int ReadModule(CliContext& context, ConfigBlocks* blocks) {
    ConfigBlock failed = ConfigBlock::General;
    const int status = ReadConfigBlocks(&context.session(), blocks, &failed);
    if (status != kModuleOk) return context.ModuleFailed(BlockName(failed), status);
    return kExitOk;
}

int DocumentErrors(CliContext& context, const std::vector<ConfigError>& errors) {
    std::string text = ConfigErrorsText(errors);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    context.Error(text);
    return kExitUsage;
}

// A document from FILE, or from standard input for "-".
bool LoadDocument(const std::string& file, ConfigDocument* document,
                  std::vector<ConfigError>* errors) {
    if (file != "-") return LoadConfigFile(file, document, errors);
    return LoadConfigStream(STDIN_FILENO, CliString(kCliStandardInput), document, errors);
}

Json DiffJson(const ConfigDiff& diff) {
    Json rows = Json::array();
    for (const ConfigDiffRow& row : diff.rows) {
        Json j;
        j["key"] = row.path;
        j["module"] = row.moduleValue;
        j["file"] = row.fileValue;
        rows.push_back(j);
    }
    Json groups = Json::array();
    for (int g = 0; g < kConfigGroupCount; ++g)
        if (diff.groups & GroupBit(static_cast<ConfigGroup>(g)))
            groups.push_back(kConfigGroups[g].name);
    Json j;
    j["differences"] = rows;
    j["groups"] = groups;
    return j;
}

void PrintRows(std::ostream& out, const ConfigDiff& diff) {
    for (const ConfigDiffRow& row : diff.rows)
        out << row.path << ": " << TerminalText(row.moduleValue) << " -> "
            << TerminalText(row.fileValue) << '\n';
}

// Writes the groups of the diff that differ, in group order. The device
// information needs --password; without one nothing at all is written.
int WriteDifferences(CliContext& context, const ConfigDiff& diff, bool dryRun) {
    const bool deviceInfo = (diff.groups & GroupBit(kGroupDeviceInfo)) != 0;
    if (deviceInfo && !context.options().hasPassword && !dryRun) {
        context.Error(CliString(kCliDeviceInfoNeedsPassword));
        return kExitUsage;
    }
    Json result = DiffJson(diff);
    if (!dryRun) {
        const uint16_t* password =
            context.options().hasPassword ? &context.options().password : nullptr;
        ConfigWriteReport report;
        const int status = WriteConfigGroups(&context.session(), diff.blocks, diff.groups, password,
                                             nullptr, &report);
        if (status != kModuleOk) {
            std::string before;
            for (int g = 0; g < kConfigGroupCount; ++g)
                if (report.written & GroupBit(static_cast<ConfigGroup>(g)))
                    before += (before.empty() ? "" : CliString(kCliListSeparator)) +
                              std::string(ConfigGroupText(static_cast<ConfigGroup>(g)));
            std::string what = CliString(kCliStepWritePassword);
            for (int g = 0; g < kConfigGroupCount && !report.passwordRefused; ++g)
                if (report.failed & GroupBit(static_cast<ConfigGroup>(g)))
                    what = FillCliText(kCliStepWriteGroup,
                                       {{"group", ConfigGroupText(static_cast<ConfigGroup>(g))}});
            if (!before.empty())
                what = FillCliText(kCliStepWrittenBefore, {{"step", what}, {"groups", before}});
            return context.ModuleFailed(what, status);
        }
    }
    if (context.json()) {
        result["written"] = !dryRun;
        context.PrintJson(result);
        return kExitOk;
    }
    std::ostream& out = context.out();
    if (diff.rows.empty()) {
        out << CliString(kCliNoDifferences) << std::endl;
        return kExitOk;
    }
    PrintRows(out, diff);
    for (int g = 0; g < kConfigGroupCount; ++g)
        if (diff.groups & GroupBit(static_cast<ConfigGroup>(g)))
            out << FillCliText(dryRun ? kCliWouldWrite : kCliWritten,
                               {{"group", ConfigGroupText(static_cast<ConfigGroup>(g))}})
                << '\n';
    out << std::flush;
    return kExitOk;
}

}  // namespace

int RunRead(CliContext& context) {
    ConfigBlocks blocks;
    const int status = ReadModule(context, &blocks);
    if (status != kExitOk) return status;
    const std::string text = ConfigToJson(blocks);
    if (context.json()) {
        context.out() << text << std::flush;
        return kExitOk;
    }
    Json document = Json::parse(text);
    document.erase("format");
    PrintFlatJson(context.out(), document, "");
    context.out() << std::flush;
    return kExitOk;
}

int RunSave(CliContext& context, const CliCommand& command) {
    ConfigBlocks blocks;
    const int status = ReadModule(context, &blocks);
    if (status != kExitOk) return status;
    std::string error;
    if (!SaveConfigFile(command.file, blocks, &error)) {
        context.Error(error);
        return kExitUsage;
    }
    if (context.json()) {
        Json j;
        j["saved"] = command.file;
        context.PrintJson(j);
    } else {
        context.out() << FillCliText(kCliSaved, {{"path", command.file}}) << std::endl;
    }
    return kExitOk;
}

int RunLoadOrDiff(CliContext& context, const CliCommand& command, bool diffOnly) {
    ConfigDocument document;
    std::vector<ConfigError> errors;
    if (!LoadDocument(command.file, &document, &errors)) return DocumentErrors(context, errors);
    ConfigBlocks module;
    const int status = ReadModule(context, &module);
    if (status != kExitOk) return status;
    ConfigDiff diff;
    if (!DiffConfig(module, document, &diff, &errors)) return DocumentErrors(context, errors);
    if (!diffOnly) return WriteDifferences(context, diff, command.dryRun);

    if (context.json())
        context.PrintJson(DiffJson(diff));
    else
        PrintRows(context.out(), diff);
    context.out() << std::flush;
    return diff.rows.empty() ? kExitOk : kExitModule;
}

int RunSet(CliContext& context, const CliCommand& command) {
    ConfigBlocks module;
    int status = ReadModule(context, &module);
    if (status != kExitOk) return status;
    ConfigDocument document = EmptyDocumentFor(module);
    std::vector<ConfigError> errors;
    for (const std::string& assignment : command.words)
        SetConfigValue(&document, assignment, &errors);
    if (!errors.empty()) return DocumentErrors(context, errors);
    ConfigDiff diff;
    if (!DiffConfig(module, document, &diff, &errors)) return DocumentErrors(context, errors);
    return WriteDifferences(context, diff, command.dryRun);
}
