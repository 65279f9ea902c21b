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
    kCoreTextCount
};

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
