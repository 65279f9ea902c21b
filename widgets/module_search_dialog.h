#pragma once

#include <QIcon>
#include <QString>
#include <vector>

#include "module_search.h"
#include "port_discovery.h"

class CControlIni;
class QWidget;

// What a search started beside a port list tries: the device of the
// selected number (1..255; 0 for none) when it exists or is a network
// line, then every other
// present device, each with its number (present devices without one get
// theirs first, as the list gives them).
std::vector<ScanPort> SearchPortsFor(int selectedNumber, CControlIni* settings,
                                     const DiscoveryRoots& roots);

// The module search of both programs, under a modal progress dialog
// ("搜索模块", button "取消"). It opens the devices on a port and session of
// its own, so the program's port (which the caller closes first) and
// whatever observes it see none of the tries. echoMode is the program's
// (CSerialPort::EchoMode as an int, from the [com] echo setting).
ScanOutcome RunModuleSearch(QWidget* parent, const std::vector<ScanPort>& ports, int echoMode);

// A small magnifying glass, drawn here, for a search button with no room
// for its caption.
QIcon SearchIcon();

// Parity as the serial page's list names it: "无校验", "奇校验", "偶校验".
QString ParityItemText(int parity);

// What a finished search found or tried, for the message box; empty after a
// cancelled search.
QString ModuleSearchResultText(const ScanOutcome& outcome, const std::vector<ScanPort>& ports);
