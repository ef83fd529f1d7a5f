#pragma once
// The object kinds of the stand-in object model and what they share: how member
// tables are written, the host's error texts, liveness checks and collection
// lookup by index or name.
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "base/text.h"
#include "com/dispatch_win.h"
#include "model/model.h"

namespace standin::com {

// Descriptions the host gives with its error codes.
// The standard ones read as the macro language's own texts.
inline constexpr std::u16string_view subscript_out_of_range = tarvex::error_text::subscript_out_of_range;
inline constexpr std::u16string_view object_required = tarvex::error_text::object_required;
inline constexpr std::u16string_view application_defined_error = tarvex::error_text::application_defined;
inline constexpr std::u16string_view range_method_failed = u"Method 'Range' of object '_Worksheet' failed";
inline constexpr std::u16string_view select_failed = u"Select method of Range class failed";
inline constexpr std::u16string_view find_failed = u"Unable to get the Find property of the Range class";
inline constexpr std::u16string_view not_enough_memory = u"Not enough memory";

// Member table entries: a method, a read-only property, a read-write property and
// a property returning a collection that takes the collection's index directly.
constexpr MemberShape method(std::string_view name, DISPID dispid, std::size_t required = 0, std::size_t accepted = 0) {
    return {name, dispid, required, accepted < required ? required : accepted, true, false};
}
constexpr MemberShape read_only(std::string_view name, DISPID dispid, std::size_t accepted = 0) {
    return {name, dispid, 0, accepted, true, false};
}
constexpr MemberShape read_write(std::string_view name, DISPID dispid, std::size_t accepted = 0) {
    return {name, dispid, 0, accepted, true, true};
}
constexpr MemberShape collection(std::string_view name, DISPID dispid) {
    return {name, dispid, 0, 0, true, false, true};
}

// An object of a closed workbook is disconnected, as the host's proxy is once the
// workbook is gone; one of a deleted sheet is no object at all.
inline void check_alive(const Workbook& book) {
    if (!book.open()) {
        fail(hr::disconnected, u"");
    }
}
inline void check_alive(const Workbook& book, const Sheet& sheet) {
    check_alive(book);
    if (!sheet.alive()) {
        fail(hr::object_required, object_required);
    }
}

// Item(index) of a collection: a text is a name (compared ignoring case), anything
// else a 1-based index.
template <class Item>
std::shared_ptr<Item> item_at(const std::vector<std::shared_ptr<Item>>& items, const Arguments& args) {
    if (args.at(0).vt == VT_BSTR) {
        const std::u16string name = args.text(0);
        for (const auto& item : items) {
            if (tarvex::equals_ignore_case(item->name(), name)) {
                return item;
            }
        }
    } else {
        const std::int32_t index = args.integer(0);
        if (index >= 1 && static_cast<std::size_t>(index) <= items.size()) {
            return items[static_cast<std::size_t>(index) - 1];
        }
    }
    fail(hr::bad_index, subscript_out_of_range);
}

ComPtr<IDispatch> make_workbook_object(std::shared_ptr<Application> app, std::shared_ptr<Workbook> book);
// Workbook.Worksheets (worksheets only) or Workbook.Sheets (chart sheets too).
ComPtr<IDispatch> make_sheets_object(std::shared_ptr<Application> app, std::shared_ptr<Workbook> book,
                                     bool worksheets_only);
ComPtr<IDispatch> make_sheet_object(std::shared_ptr<Application> app, std::shared_ptr<Workbook> book,
                                    std::shared_ptr<Sheet> sheet);
// Workbook.Windows: the workbook's one window, visible unless the workbook is hidden.
ComPtr<IDispatch> make_windows_object(std::shared_ptr<Application> app, std::shared_ptr<Workbook> book);
ComPtr<IDispatch> make_range_object(std::shared_ptr<Application> app, std::shared_ptr<Workbook> book,
                                    std::shared_ptr<Sheet> sheet, Rect area);

// The sheet and rectangle of a Range object of this model passed as an argument.
struct RangeRef {
    std::shared_ptr<Sheet> sheet;
    Rect area;
};
std::optional<RangeRef> range_of(const VARIANT& value);

}  // namespace standin::com
