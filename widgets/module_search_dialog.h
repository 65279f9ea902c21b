#pragma once

#include <QString>
#include <vector>

#include "module_search.h"

class QWidget;

// The module search of both programs, under a modal progress dialog
// ("搜索模块", button "取消"). It opens the devices on a port and session of
// its own, so the program's port (which the caller closes first) and
// whatever observes it see none of the tries.
ScanOutcome RunModuleSearch(QWidget* parent, const std::vector<ScanPort>& ports);

// Parity as the serial page's list names it: "无校验", "奇校验", "偶校验".
QString ParityItemText(int parity);

// What a finished search found or tried, for the message box; empty after a
// cancelled search.
QString ModuleSearchResultText(const ScanOutcome& outcome, const std::vector<ScanPort>& ports);
