#include "settings/column_layout.h"

#include "base/text.h"
#include "settings/error_report.h"
#include "settings/number_text.h"

namespace tarvex {

std::u16string column_layout_key(const ListColumns& list, int column) {
    return std::u16string(application_key) + list.form_name() + u"_" + list.control_name() + u" Column Information\\" +
           list.key(column);
}

void SaveColumnInfo(SettingsContext& s, ListColumns& list) {
    Steps steps = reporting_steps(s.messages, ReportShape::with_source, u":RegSettings:SaveColumnInfo");
    int count = 0;
    if (steps.run(1, [&] { count = list.count(); }) == Steps::Outcome::abort) {
        return;
    }
    for (int column = 0; column < count; ++column) {
        std::u16string path;
        const bool ended =
            steps.run(2, [&] { path = column_layout_key(list, column); }) == Steps::Outcome::abort ||
            steps.run(3,
                      [&] {
                          UpdateKey(s, hkey_current_user, path, u"Width",
                                    single_text(list.width(column), s.decimal_separator));
                      }) == Steps::Outcome::abort ||
            steps.run(4, [&] { UpdateKey(s, hkey_current_user, path, u"Position", decimal(list.position(column))); }) ==
                Steps::Outcome::abort ||
            steps.run(5, [&] { UpdateKey(s, hkey_current_user, path, u"Text", list.caption(column)); }) ==
                Steps::Outcome::abort;
        if (ended) {
            return;
        }
    }
}

void GetColumnInfo(SettingsContext& s, ListColumns& list) {
    Steps steps = Steps::silent();
    int count = 0;
    steps.run(1, [&] { count = list.count(); });
    for (int column = 0; column < count; ++column) {
        std::u16string path;
        steps.run(2, [&] { path = column_layout_key(list, column); });
        std::u16string width;
        steps.run(3, [&] { width = GetKeyValue(s, hkey_current_user, path, u"Width"); });
        if (width.empty()) {
            steps.run(4, [&] {
                UpdateKey(s, hkey_current_user, path, u"Width", single_text(list.width(column), s.decimal_separator));
            });
        } else {
            // A stored width that is no number, or one the list refuses, leaves the
            // column as it is.
            steps.run(5, [&] { list.set_width(column, parse_single(width, s.decimal_separator)); });
        }
        std::u16string position;
        steps.run(6, [&] { position = GetKeyValue(s, hkey_current_user, path, u"Position"); });
        if (position.empty()) {
            steps.run(7, [&] { UpdateKey(s, hkey_current_user, path, u"Position", decimal(list.position(column))); });
        } else {
            steps.run(8, [&] { list.set_position(column, parse_integer16(position, s.decimal_separator)); });
        }
    }
    steps.run(9, [&] { list.set_hide_selection(false); });
    steps.run(10, [&] { list.set_allow_column_reorder(true); });
    steps.run(11, [&] { list.set_full_row_select(true); });
    steps.run(12, [&] { list.set_report_view(); });
    steps.run(13, [&] { list.set_manual_label_edit(); });
}

}  // namespace tarvex
