#pragma once
// The result list's column widths and positions, kept from one opening of the
// window to the next, one registry key per column.
#include "settings/registry_routines.h"

namespace tarvex {

// The column's layout key: beside the application key, named after the product,
// the form, the list and the column's key.
std::u16string column_layout_key(const ListColumns& list, int column);

// Whether a list accepts this width for a column, in twips: none below zero
// (nor a width that is not a number), and none so wide that a stored value
// typed by hand (or gone bad) would push the other columns off any screen. A
// list refuses the others with "Invalid property value".
inline bool acceptable_column_width(float twips) {
    return twips >= 0 && twips <= 1.0e7f;
}

// Stores "Width", "Position" and "Text" of every column; failures are reported.
void SaveColumnInfo(SettingsContext& settings, ListColumns& list);
// Applies the stored width and position of every column (storing the current
// ones where none is stored), then sets the list's display options. Failing
// steps are skipped without a word.
void GetColumnInfo(SettingsContext& settings, ListColumns& list);

}  // namespace tarvex
