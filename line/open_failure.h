#pragma once

#include <cstdint>
#include <string>

// Why the last Open of a CSerialPort failed.
enum SerialOpenReason : int {
    kOpenReasonNone = 0,    // the last Open succeeded (or none was tried)
    kOpenAlreadyOpen,       // status 10: the port was open already
    kOpenNoPort,            // no port number was chosen
    kOpenNoDevice,          // no such device: unplugged, or no hardware behind it
    kOpenPermissionDenied,  // the user may not open the device
    kOpenBusy,              // another program (or this one) holds the device
    kOpenNotSerial,         // not a terminal device
    kOpenLineRefused,       // the device refused the line settings
    kOpenOtherError,        // any other error of the system (see error)
    // Network lines.
    kOpenBadAddress,          // a [ports] URL that cannot be taken apart
    kOpenHostUnknown,         // the host name cannot be resolved (error: EAI_*)
    kOpenConnectionRefused,   // nothing listens on that port
    kOpenHostUnreachable,     // no route to the host
    kOpenConnectTimeout,      // no answer to the connect within timeoutMs
    kOpenSettingRefused,      // the server refused a line setting (or RFC 2217)
    kOpenSettingUnconfirmed,  // the server did not confirm it within timeoutMs
    kOpenServerClosed,        // the server closed the connection (detail: what it said)
};

// The line setting a network failure is about.
enum LineSettingKind : int {
    kLineSettingNone = 0,
    kLineSettingBaud,
    kLineSettingDataBits,
    kLineSettingParity,    // values as RFC 2217 numbers them: 1 none .. 5 space
    kLineSettingStopBits,  // 1, 2, or 3 for one and a half
    kLineSettingOption,    // the COM-port control option itself
};

// What the widget layer needs to explain a failed Open.
struct SerialOpenFailure {
    SerialOpenReason reason = kOpenReasonNone;
    int error = 0;     // errno of the call that failed, 0 when none
    std::string path;  // device that was tried
    int baud = 0;      // line settings asked for, for kOpenLineRefused
    int dataBits = 0;
    bool rateRefused = false;  // which of them the driver did not take
    bool sizeRefused = false;
    // Network lines.
    int timeoutMs = 0;  // the connect time-out in force
    LineSettingKind setting = kLineSettingNone;
    int64_t asked = 0;          // the setting's value asked for
    int64_t answered = -1;      // what the server confirmed instead (-1: nothing)
    bool serverSilent = false;  // the server sent nothing at all
    std::string detail;         // what the server or the resolver said
};

// The reason an errno of open(), flock() or a terminal ioctl stands for.
// This is also the seam through which tests check reasons that this machine
// cannot produce (root ignores permissions).
SerialOpenReason OpenReasonForError(int error);
// The same for an errno of connect() on a network line.
SerialOpenReason NetworkReasonForError(int error);

// The program that holds a device open: from /proc/locks (its flock) or else
// from the descriptors under /proc/<pid>/fd that this user may read.
bool FindDeviceHolder(const std::string& path, const std::string& procRoot, std::string* program,
                      int* pid);

// One line (UTF-8, in CurrentTextLanguage()) that says why the open failed and what to do,
// shown under "打开串口失败!". Looks at the device (owning group) and at
// /proc (holder) when it is called.
std::string OpenFailureReasonText(const SerialOpenFailure& failure,
                                  const std::string& procRoot = "/proc");
