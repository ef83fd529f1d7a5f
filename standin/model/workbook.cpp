// A workbook's sheets: tab order, names compared as the host compares them, the active sheet.
#include <algorithm>

#include "base/text.h"
#include "model/model_detail.h"

namespace standin {

namespace {

using SheetList = std::vector<std::shared_ptr<Sheet>>;

SheetList::const_iterator find_sheet(const SheetList& sheets, std::u16string_view name) {
    return std::find_if(sheets.begin(), sheets.end(),
                        [name](const auto& s) { return tarvex::equals_ignore_case(s->name(), name); });
}

}  // namespace

Workbook::Workbook(std::u16string name) : name_(std::move(name)) {}

std::vector<std::shared_ptr<Sheet>> Workbook::worksheets() const {
    std::vector<std::shared_ptr<Sheet>> result;
    for (const auto& s : sheets_) {
        if (s->kind() == SheetKind::worksheet) {
            result.push_back(s);
        }
    }
    return result;
}

std::shared_ptr<Sheet> Workbook::sheet(std::u16string_view name) const {
    const auto it = find_sheet(sheets_, name);
    return it == sheets_.end() ? nullptr : *it;
}

Rect Sheet::used_range() const {
    if (cells_.empty()) {
        return Rect{{1, 1}, {1, 1}};
    }
    Rect used{detail::key_position(cells_.begin()->first), detail::key_position(cells_.begin()->first)};
    for (const auto& [key, cell] : cells_) {
        const CellPos p = detail::key_position(key);
        used.top_left.col = std::min(used.top_left.col, p.col);
        used.bottom_right.col = std::max(used.bottom_right.col, p.col);
        used.bottom_right.row = std::max(used.bottom_right.row, p.row);
    }
    return used;
}

Sheet& Workbook::add_sheet(std::u16string name, SheetKind kind) {
    if (name.empty() || find_sheet(sheets_, name) != sheets_.end()) {
        detail::fail(hr::application_defined);
    }
    sheets_.push_back(std::make_shared<Sheet>(std::move(name), kind));
    if (!active_sheet_) {
        active_sheet_ = sheets_.back();
    }
    return *sheets_.back();
}

void Workbook::rename_sheet(std::u16string_view old_name, std::u16string new_name) {
    const auto it = find_sheet(sheets_, old_name);
    if (it == sheets_.end()) {
        detail::fail(hr::bad_index);
    }
    // Renaming a sheet to its own name in other letter case is allowed, as in the host.
    const auto taken = find_sheet(sheets_, new_name);
    if (new_name.empty() || (taken != sheets_.end() && taken != it)) {
        detail::fail(hr::application_defined);
    }
    (*it)->name_ = std::move(new_name);
}

void Workbook::delete_sheet(std::u16string_view name) {
    const auto it = find_sheet(sheets_, name);
    if (it == sheets_.end()) {
        detail::fail(hr::bad_index);
    }
    const std::shared_ptr<Sheet> gone = *it;
    const auto index = static_cast<std::size_t>(it - sheets_.begin());
    gone->alive_ = false;
    sheets_.erase(it);
    if (active_sheet_ == gone) {
        if (index < sheets_.size()) {
            active_sheet_ = sheets_[index];
        } else {
            active_sheet_ = sheets_.empty() ? nullptr : sheets_.back();
        }
    }
}

void Workbook::mark_closed() {
    open_ = false;
    for (const auto& s : sheets_) {
        s->alive_ = false;
    }
}

void Workbook::activate_sheet(const std::shared_ptr<Sheet>& sheet) {
    if (!sheet) {
        detail::fail(hr::object_required);
    }
    if (std::find(sheets_.begin(), sheets_.end(), sheet) == sheets_.end()) {
        detail::fail(hr::application_defined);  // a deleted sheet, or another workbook's
    }
    active_sheet_ = sheet;
}

}  // namespace standin
