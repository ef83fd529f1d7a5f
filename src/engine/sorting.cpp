#include "engine/sorting.h"

#include "settings/error_report.h"

namespace tarvex {
namespace {

// The click's effect on the sort settings; Abort leaves them as far as they were
// changed.
void change_sort_settings(Steps& steps, ResultList& list, int header) {
    if (steps.run(1, [&] { list.set_sorted(true); }) == Steps::Outcome::abort) {
        return;
    }
    const auto same_column = steps.test(2, [&] { return list.sort_column() == header - 1; });
    if (!same_column) {
        return;
    }
    if (*same_column) {
        steps.run(3, [&] {
            list.set_sort_order(list.sort_order() == SortOrder::descending ? SortOrder::ascending
                                                                           : SortOrder::descending);
        });
        return;
    }
    if (steps.run(4, [&] { list.set_sort_column(header - 1); }) == Steps::Outcome::abort) {
        return;
    }
    steps.run(5, [&] { list.set_sort_order(SortOrder::ascending); });
}

}  // namespace

void SortListView(MessageBoxes& messages, ResultList& list, ListColumns& columns, int header) {
    Steps steps = reporting_steps(messages, ReportShape::with_source, u":Generic:SortListView");
    change_sort_settings(steps, list, header);
    steps.run(6, [&] { columns.show_sort_arrow(list.sort_column(), list.sort_order() == SortOrder::ascending); });
}

}  // namespace tarvex
