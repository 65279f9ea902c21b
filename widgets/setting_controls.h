#pragma once

#include <vector>

#include "page_settings.h"

class QComboBox;
class QLineEdit;

// Controls whose values config.ini keeps: a list by the position of its
// selection, a box by its text. A page names each of its controls with its
// key once and loads and saves through these.
struct ListSetting {
    SettingKey key;
    QComboBox* list;
};
struct BoxSetting {
    SettingKey key;
    QLineEdit* box;
};

// Selects each list's stored position (no selection when it lies outside
// the list) and sets each box whose key was present.
void ShowSettings(const SettingValues& values, const std::vector<ListSetting>& lists,
                  const std::vector<BoxSetting>& boxes = {});

// Takes each list's position (-1 without a selection) and each box's text.
void TakeSettings(const std::vector<ListSetting>& lists, const std::vector<BoxSetting>& boxes,
                  SettingValues* values);
