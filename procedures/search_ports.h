#pragma once

#include <vector>

#include "exchange_record.h"
#include "module_search.h"
#include "port_discovery.h"
#include "port_numbers.h"
#include "procedure_hook.h"

// The module search as the programs start it beside a port list.

// The ports tried: the device of the selected number (1..255, 0 for none)
// when it exists or is a network line, as the open button would open it, then every other present
// device with the lowest number that opens it (0 when none does).
std::vector<ScanPort> SearchPortsFor(int selectedNumber, const PortNumberMap& map,
                                     const DiscoveryRoots& roots);

// Runs the search on a port and a session of its own, so the program's port
// (which the caller closes first) stays as it is; `observers` (those of the
// program's session, such as the wire monitor) see every try. echoMode is the
// program's (CSerialPort::EchoMode as an int, from the [com] echo setting).
// The hook hears of each try before it starts and may stop the search there
// (the outcome is then cancelled).
ScanOutcome RunModuleSearch(const std::vector<ScanPort>& ports, int echoMode,
                            ProcedureHook* hook = nullptr,
                            const std::vector<ExchangeObserver*>& observers = {});
