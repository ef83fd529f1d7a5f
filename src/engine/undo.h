#pragma once
// What Replace and Replace All wrote, so that the last of them can be undone:
// the host keeps no undo for cells an add-in writes.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ports/host.h"

namespace tarvex {

struct UndoEntry {
    std::u16string sheet;
    std::u16string address;
    std::u16string before;   // the cell's formula text before the write
    bool before_is_text;     // a text constant: written back as a text, whatever it looks like
    std::u16string written;  // what the replace wrote into it
    std::uint32_t book = 0;  // which of the record's workbooks
};

// One level: the last replace command of the window's life. Empty when there is
// nothing to undo. It holds the workbooks it wrote to, so it is cleared with the
// other references to the host's objects.
struct UndoRecord {
    std::vector<std::shared_ptr<HostWorkbook>> workbooks;
    std::vector<UndoEntry> entries;
    bool empty() const { return entries.empty(); }
    std::shared_ptr<HostWorkbook> workbook_of(const UndoEntry& entry) const {
        return entry.book < workbooks.size() ? workbooks[entry.book] : nullptr;
    }
};

// The text to write so that the cell holds `entry.before` again: a text that the
// host would read as a number, a date or a formula is written as a text.
std::u16string restoring_input(const UndoEntry& entry);

}  // namespace tarvex
