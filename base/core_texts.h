#pragma once

#include <initializer_list>
#include <string>

#include "text_language.h"

// Every text the Qt-free core shows a user, with its Chinese and English
// forms in one table (core_texts.cpp). A text may hold fields, "{path}", that
// FillText replaces.
enum CoreText : int {
    // Why a line did not open.
    kTextOpenAlreadyOpen,
    kTextOpenNoPort,
    kTextOpenNoDevice,
    kTextOpenNotSerial,
    kTextOpenOtherError,
    kTextOpenRootOnly,
    kTextOpenLoginPending,
    kTextOpenGroup,
    kTextOpenHeldBy,
    kTextOpenOtherProgram,
    kTextOpenHeld,
    kTextOpenNoBaud,
    kTextOpenLineRefused,
    kTextOpenRefusedDetail,
    kTextOpenRefusedJoin,
    kTextOpenBadAddress,
    kTextOpenHostUnknown,
    kTextOpenConnectionRefused,
    kTextOpenHostUnreachable,
    kTextOpenConnectTimeout,
    kTextOpenSettingRefused,
    kTextOpenSettingUnconfirmed,
    kTextOpenServerClosed,
    kTextOpenServerSaid,
    kTextOpenServerAnswered,
    kTextOpenComPortControl,
    kTextOpenNegotiation,
    kTextOpenNegotiationSilent,
    kTextSettingBaud,
    kTextSettingDataBits,
    kTextSettingParity,
    kTextSettingStopBits,
    kTextSettingStopBitsHalf,
    kTextParityNone,
    kTextParityOdd,
    kTextParityEven,
    kTextParityMark,
    kTextParitySpace,
    // The wire log: columns, directions, request names, verdicts, counters.
    kTextColumnTime,
    kTextColumnDirection,
    kTextColumnBytes,
    kTextColumnElapsed,
    kTextColumnNote,
    kTextColumnData,
    kTextWireSent,
    kTextWireEcho,
    kTextWireReceived,
    kTextEchoUndecided,
    kTextEchoFiltered,
    kTextRequestFunction,
    kTextRequestRead,
    kTextRequestReadInput,
    kTextRequestWrite,
    kTextRequestWriteMany,
    kTextAreaGeneral,
    kTextAreaModuleType,
    kTextAreaInterruptEvents,
    kTextAreaIo,
    kTextAreaInputChange,
    kTextAreaFieldbus,
    kTextAreaErrorMessage,
    kTextAreaNetworkTime,
    kTextAreaDeviceMode,
    kTextAreaInterruptMask,
    kTextAreaUart,
    kTextAreaPassword,
    kTextAreaNodeAddress,
    kTextAreaNodeBaud,
    kTextAreaSwitchCoding,
    kTextAreaInterface,
    kTextAreaWatchdog,
    kTextAreaIoLengths,
    kTextAreaDeviceInfo,
    kTextAreaEmergency,
    kTextAreaInputData,
    kTextAreaOutputData,
    kTextExceptionFunction,
    kTextExceptionAddress,
    kTextExceptionValue,
    kTextExceptionFailure,
    kTextExceptionAcknowledge,
    kTextExceptionBusy,
    kTextExceptionParity,
    kTextExceptionGatewayPath,
    kTextExceptionGatewayTarget,
    kTextExceptionUnknown,
    kTextVerdictOk,
    kTextVerdictTimeout,
    kTextVerdictShort,
    kTextVerdictCrc,
    kTextVerdictInconsistent,
    kTextVerdictException,
    kTextVerdictUndecided,
    kTextNotSent,
    kTextNotSentClosed,
    kTextNotSentEcho,
    kTextNotSentTooLarge,
    kTextCountSent,
    kTextCountKind,
    kTextCountException,
    kTextCountUndecided,
    kTextCountSilentRun,
    kTextWireRoundTrips,
    kTextWireErrorRate,
    kTextTraceStart,
    kTextNetworkTime,
    // The module's own states and events, as its registers name them.
    kTextStatusBusOk,
    kTextStatusWarningSet,
    kTextStatusWarningReset,
    kTextStatusPassiveSet,
    kTextStatusPassiveReset,
    kTextStatusBusOff,
    kTextStatusOverrun,
    kTextStatusStuff,
    kTextStatusForm,
    kTextStatusAck,
    kTextStatusCrc,
    kTextStatusRxHigh,
    kTextStatusRxLow,
    kTextStatusBusOffReset,
    kTextStatusFirstOnline,
    kTextModeStart,
    kTextModeReset,
    kTextModeFactory,
    kTextInterruptSyss,
    kTextInterruptApw,
    kTextInterruptParam,
    kTextInterruptIdle,
    kTextInterruptRes,
    kTextInterruptDef,
    kTextInterruptIo,
    kTextInterruptFboff,
    kTextInterruptFbon,
    kTextInterruptStart,
    // Why a file could not be used.
    kTextFileIsFolder,
    kTextFileIsFifo,
    kTextFileIsCharDevice,
    kTextFileIsBlockDevice,
    kTextFileIsSocket,
    kTextFileIsOther,
    // The configuration document: its errors, what a key takes, the values of
    // a comparison that have no notation of their own.
    kTextDocValueRefused,
    kTextDocRootRefused,
    kTextDocUnknownKey,
    kTextDocReadOnlyKey,
    kTextDocKeyTwice,
    kTextDocEachKeyOnce,
    kTextDocSyntax,
    kTextDocJsonText,
    kTextDocTooLarge,
    kTextDocTooDeep,
    kTextDocMoreErrors,
    kTextDocUnreadable,
    kTextDocValueUnreadable,
    kTextDocNotText,
    kTextDocCannotWrite,
    kTextDocCannotRead,
    kTextDocFileTooLarge,
    kTextDocKeyMissing,
    kTextDocFormatAllowed,
    kTextDocTopAllowed,
    kTextDocSectionAllowed,
    kTextDocDeviceAllowed,
    kTextDocNoEquals,
    kTextDocAssignment,
    kTextDocModuleType,
    kTextDocModuleTypeAllowed,
    kTextDocListComma,
    kTextDocListOr,
    kTextDocWholeNumber,
    kTextDocOneOf,
    kTextDocByteList,
    kTextDocInterrupts,
    kTextDocBitRate,
    kTextDocProductName,
    kTextDocNothing,
    kTextDocNodeBcd,
    kTextDocNodeBinary,
    kTextDocNodeEitherCoding,
    kTextDocNodeHelp,
    kTextDocPasswordOnly,
    kTextDocNoneChosen,
    kTextDocNotCp936,
    kTextDocNoNodeNumber,
    kTextDocOutsideValues,
    // The configuration groups a load writes, in their order.
    kTextGroupSwitchCoding,
    kTextGroupInterface,
    kTextGroupWatchdog,
    kTextGroupIoLengths,
    kTextGroupNodeAddress,
    kTextGroupBitRate,
    kTextGroupDeviceInfo,
    kCoreTextCount
};

// One row of a table of texts: its identifier, which is the row's own index
// (a test holds the two together), and its two forms.
struct TextEntry {
    int id;
    const char* chinese;
    const char* english;
};

// Row `id` of a table of `count` rows in `language`; "" outside the table.
const char* TextFromTable(const TextEntry* table, int count, int id, TextLanguage language);
// True when every row of the table stands at its own index.
bool TextTableInOrder(const TextEntry* table, int count);

// The text in the language given, or in CurrentTextLanguage().
const char* CoreTextIn(CoreText id, TextLanguage language);
const char* CoreString(CoreText id);

// One field of a text: "{key}" is replaced by value.
struct TextField {
    const char* key;
    std::string value;
};

// The text with each of its fields filled in (every occurrence).
std::string FillText(const char* text, std::initializer_list<TextField> fields);
// The same for CoreString(id).
std::string FillCoreText(CoreText id, std::initializer_list<TextField> fields);

// True when every entry of the table stands at its own index.
bool CoreTextTableInOrder();
