#pragma once

#include <initializer_list>

#include "core_texts.h"

// Every sentence quillon-cli itself writes for a person, with its Chinese and
// English forms in one table (cli_texts.cpp). Fields such as "{path}" are
// filled by FillText. JSON and the key=value result lines are for scripts
// and never come from here.
enum CliText : int {
    // Opening the port, the settings file, the trace.
    kCliSettingsFileUnreadable,
    kCliNeedsPort,
    kCliPortArgument,
    kCliPortOpenFailed,
    kCliTraceUnwritable,
    kCliTraceWriteFailed,
    // Why a module operation failed, and what to check.
    kCliModuleFailed,
    kCliRequestTooLarge,
    kCliWritesRefused,
    kCliLineHint,
    kCliVerdictUnfit,
    kCliVerdictTimeout,
    kCliVerdictShort,
    kCliVerdictCrc,
    kCliVerdictException,
    kCliVerdictInconsistent,
    kCliVerdictRefused,
    kCliVerdictEchoUndecided,
    kCliVerdictUnknown,
    // The steps a failure names.
    kCliStepReadGeneral,
    kCliStepReadIo,
    kCliStepReadFieldbus,
    kCliStepReadConfig,
    kCliStepReadOutput,
    kCliStepWriteInput,
    kCliStepReadEvents,
    kCliStepReadErrors,
    kCliStepReadTime,
    kCliStepDeviceMode,
    kCliStepEmergency,
    kCliStepWritePassword,
    kCliStepWriteGroup,
    kCliStepWrittenBefore,
    kCliListSeparator,
    // The command line itself.
    kCliUnknownCommand,
    kCliNoSuchCommand,
    kCliRunHelp,
    kCliPasswordDigits,
    kCliHexNotByte,
    kCliHexOddDigits,
    kCliHexTooMany,
    kCliIoWriteBadBytes,
    kCliIoWriteNoBytes,
    kCliIoWriteOddCount,
    kCliEmergencyBadStandard,
    kCliEmergencyBadCustom,
    kCliDeviceInfoNeedsPassword,
    kCliEventsNoWord,
    kCliStandardInput,
    // ports and scan.
    kCliPortsNotStored,
    kCliPortsNone,
    kCliPortAbsent,
    kCliScanNoDevice,
    kCliScanProgress,
    kCliScanUnusable,
    kCliScanPortUnopened,
    kCliScanNoPortOpened,
    kCliScanStopped,
    kCliScanNotFound,
    kCliScanServerPort,
    // Results told to a person on stdout.
    kCliWroteInputRegister,
    kCliWroteInputRegisters,
    kCliDeviceModeSent,
    kCliEmergencySent,
    kCliErrorsHeading,
    kCliErrorsCutRow,
    kCliSaved,
    kCliNoDifferences,
    kCliWouldWrite,
    kCliWritten,
    kCliTextCount
};

// The text in the language given, or in CurrentTextLanguage().
const char* CliTextIn(CliText id, TextLanguage language);
const char* CliString(CliText id);
// CliString(id) with its fields filled in.
std::string FillCliText(CliText id, std::initializer_list<TextField> fields);

// True when every entry of the table stands at its own index.
bool CliTextTableInOrder();
