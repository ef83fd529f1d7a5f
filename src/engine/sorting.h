#pragma once
// Sorting the result list by a clicked column header.
#include "engine/result_list.h"
#include "settings/registry_routines.h"

namespace tarvex {

// A click on the header with 1-based index `header`: sorts by that column, or
// reverses the order when it is already the sort column. Failures are reported.
void SortListView(MessageBoxes& messages, ResultListView& list, ListColumns& columns, int header);

// The column-header click: sorts, then stores the column layout, whatever the sort did.
void lvwMain_ColumnClick(SettingsContext& settings, ResultListView& list, ListColumns& columns, int header);

}  // namespace tarvex
