#pragma once

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
};

// The reason an errno of open(), flock() or a terminal ioctl stands for.
// This is also the seam through which tests check reasons that this machine
// cannot produce (root ignores permissions).
SerialOpenReason OpenReasonForError(int error);

// The program that holds a device open: from /proc/locks (its flock) or else
// from the descriptors under /proc/<pid>/fd that this user may read.
bool FindDeviceHolder(const std::string& path, const std::string& procRoot, std::string* program,
                      int* pid);

// One line in Chinese (UTF-8) that says why the open failed and what to do,
// shown under "打开串口失败!". Looks at the device (owning group) and at
// /proc (holder) when it is called.
std::string OpenFailureReasonText(const SerialOpenFailure& failure,
                                  const std::string& procRoot = "/proc");
