#pragma once
// Sorting the result list by a clicked column header.
#include "engine/result_list.h"
#include "ports/controls.h"

namespace tarvex {

// A click on the header with 1-based index `header`: sorts by that column, or
// reverses the order when it is already the sort column, and shows the arrow on
// the sort column's header. Failures are reported; the rows are shown again by
// the caller.
void SortListView(MessageBoxes& messages, ResultList& list, ListColumns& columns, int header);

}  // namespace tarvex
