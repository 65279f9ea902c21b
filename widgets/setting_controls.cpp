#include "setting_controls.h"

#include <QComboBox>
#include <QLineEdit>

#include "combo_lists.h"

void ShowSettings(const SettingValues& values, const std::vector<ListSetting>& lists,
                  const std::vector<BoxSetting>& boxes) {
    for (const ListSetting& setting : lists) SelectOrClear(setting.list, values.Int(setting.key));
    for (const BoxSetting& setting : boxes) {
        std::string text;
        if (values.Text(setting.key, &text)) setting.box->setText(QString::fromStdString(text));
    }
}

void TakeSettings(const std::vector<ListSetting>& lists, const std::vector<BoxSetting>& boxes,
                  SettingValues* values) {
    for (const ListSetting& setting : lists)
        values->SetInt(setting.key, setting.list->currentIndex());
    for (const BoxSetting& setting : boxes)
        values->SetText(setting.key, setting.box->text().toStdString());
}
