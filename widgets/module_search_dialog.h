#pragma once

#include <QIcon>
#include <QString>
#include <vector>

#include "exchange_record.h"
#include "module_search.h"
#include "port_discovery.h"

class CControlIni;
class ModuleSession;
class ModuleWorker;
class PortComboBox;
class QWidget;

// What a search started beside a port list tries (SearchPortsFor), after the
// present devices without a number got theirs, as the list gives them.
std::vector<ScanPort> PortsToSearch(int selectedNumber, CControlIni* settings,
                                    const DiscoveryRoots& roots);

// The module search of both programs (RunModuleSearch) on the program's
// worker, under a modal progress dialog ("搜索模块", button "取消"); echoMode
// and observers as RunModuleSearch takes them.
ScanOutcome SearchWithProgress(QWidget* parent, const std::vector<ScanPort>& ports, int echoMode,
                               ModuleWorker* worker,
                               const std::vector<ExchangeObserver*>& observers);

// The search behind a page's search button: the ports beside `list` (a
// message when there is none to search), searched on the worker with the
// session's observers watching. False when nothing was searched or the
// search was cancelled; else the outcome and the text that reports it.
bool SearchFromPortList(QWidget* page, const PortComboBox* list, CControlIni* settings,
                        ModuleWorker* worker, const ModuleSession* session, ScanOutcome* outcome,
                        QString* text);

// A small magnifying glass, drawn here, for a search button with no room
// for its caption.
QIcon SearchIcon();

// Parity as the serial page's list names it: "无校验", "奇校验", "偶校验".
QString ParityItemText(int parity);

// What a finished search found or tried, for the message box; empty after a
// cancelled search.
QString ModuleSearchResultText(const ScanOutcome& outcome, const std::vector<ScanPort>& ports);
