#pragma once

#include <cstddef>

class QComboBox;

// The drop-down lists of both programs are filled from the core's tables and
// store their selection as a position.

// Selects the item at `position`; a position outside the list leaves the
// list without a selection, as a hand-edited config.ini or a module value
// the list has no item for must.
void SelectOrClear(QComboBox* list, int position);

// The number the selected item stands for: its leading decimal digits
// ("614400 " is 614400); no selection gives 0.
int SelectedNumber(const QComboBox* list);

// Replaces the items with UTF-8 texts; with a context, with their
// translations in it (texts marked QT_TRANSLATE_NOOP(context, ...)).
void SetItems(QComboBox* list, const char* const* items, size_t count,
              const char* context = nullptr);
template <size_t N>
void SetItems(QComboBox* list, const char* const (&items)[N], const char* context = nullptr) {
    SetItems(list, items, N, context);
}

// The rate list (baud_rates.h) and the device-mode list.
void SetBaudRateItems(QComboBox* list);
void SetDeviceModeItems(QComboBox* list);
// The CAN bit rates by code: "0：1 Mbps" ... with the colon of the language.
void SetCanBitRateItems(QComboBox* list);
