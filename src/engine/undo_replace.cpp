// Undo Replace: what the last replace command wrote over goes back, cell by
// cell, where nobody has changed the cell since.
#include <map>

#include "base/steps.h"
#include "engine/bulk_replace.h"
#include "engine/cell_address.h"
#include "engine/command_texts.h"
#include "engine/list_text.h"
#include "engine/search_session.h"

namespace tarvex {
namespace {

namespace texts = command_texts;

struct UndoRun {
    std::size_t restored = 0;
    std::vector<std::u16string> changed_since;
    std::vector<std::u16string> not_restored;
};

// The entries of one worksheet of one workbook, the last written first.
struct SheetEntries {
    std::uint32_t book;
    std::u16string sheet;
    std::vector<const UndoEntry*> entries;
};

std::vector<SheetEntries> group_by_sheet(const UndoRecord& record) {
    std::vector<SheetEntries> groups;
    std::map<std::pair<std::uint32_t, std::u16string>, std::size_t> index;
    for (auto entry = record.entries.rbegin(); entry != record.entries.rend(); ++entry) {
        const auto [at, added] = index.try_emplace({entry->book, entry->sheet}, groups.size());
        if (added) {
            groups.push_back(SheetEntries{entry->book, entry->sheet, {}});
        }
        groups[at->second].entries.push_back(&*entry);
    }
    return groups;
}

std::u16string label_of(const UndoEntry& entry) {
    return list_text::sheet_reference(entry.sheet) + u"!" + entry.address;
}

// What the cells hold now, read in bounded blocks; a cell whose block could not
// be read is read alone when its turn comes.
std::vector<std::optional<std::u16string>> read_now(HostSheet& sheet, const SheetEntries& group) {
    std::vector<std::optional<std::u16string>> now(group.entries.size());
    std::vector<std::pair<std::int32_t, std::int32_t>> cells;
    std::vector<std::size_t> members;
    for (std::size_t i = 0; i < group.entries.size(); ++i) {
        if (const auto at = parse_range_address(group.entries[i]->address)) {
            cells.emplace_back(at->top, at->left);
            members.push_back(i);
        }
    }
    for (const CellBlock& block : plan_blocks(cells)) {
        try {
            std::optional<std::vector<std::u16string>> formulas =
                member_formulas(*block_range(sheet, block), block, cells);
            for (std::size_t k = 0; formulas && k < block.members.size(); ++k) {
                now[members[block.members[k]]] = std::move((*formulas)[k]);
            }
        } catch (...) {
            // Read alone instead.
        }
    }
    return now;
}

// One worksheet's cells: each that still holds what the replace wrote gets
// back what it held, with one Formula put.
void restore_sheet(HostSheet& sheet, const SheetEntries& group, Steps& steps, UndoRun& run) {
    const std::vector<std::optional<std::u16string>> now = read_now(sheet, group);
    for (std::size_t i = 0; i < group.entries.size(); ++i) {
        const UndoEntry& entry = *group.entries[i];
        std::unique_ptr<HostRange> cell;
        std::u16string holds = now[i].value_or(u"");
        if (steps.run([&] {
                cell = sheet.range(entry.address);
                if (!now[i]) {
                    holds = cell->formula();
                }
            }) != Steps::Outcome::done) {
            run.not_restored.push_back(label_of(entry));
            continue;
        }
        // Someone changed the cell after the replace: their change stays.
        if (holds != entry.written) {
            run.changed_since.push_back(label_of(entry));
            continue;
        }
        if (steps.run([&] { cell->set_formula(restoring_input(entry)); }) != Steps::Outcome::done) {
            run.not_restored.push_back(label_of(entry));
            continue;
        }
        ++run.restored;
    }
}

// Tolerant throughout, as the replace commands are after their first row: a
// cell that cannot be reached is counted and the rest are still restored.
UndoRun restore(const UndoRecord& record) {
    Steps steps = Steps::silent();
    UndoRun run;
    for (const SheetEntries& group : group_by_sheet(record)) {
        std::unique_ptr<HostSheet> sheet;
        if (steps.run([&] {
                const std::shared_ptr<HostWorkbook> book =
                    group.book < record.workbooks.size() ? record.workbooks[group.book] : nullptr;
                if (!book) {
                    throw object_not_set_error(tarvex_source);
                }
                sheet = book->sheet(group.sheet);
            }) != Steps::Outcome::done) {
            for (const UndoEntry* entry : group.entries) {
                run.not_restored.push_back(label_of(*entry));
            }
            continue;
        }
        restore_sheet(*sheet, group, steps, run);
    }
    return run;
}

}  // namespace

void SearchSession::undo_replace() {
    // One level: the record is used up whatever happens below.
    const UndoRecord record = std::move(last_replace_);
    last_replace_ = UndoRecord{};
    if (record.empty()) {
        return;
    }
    view_.set_pointer(MousePointer::hourglass);
    view_.set_status(texts::undoing);
    const UndoRun run = restore(record);

    Steps steps = Steps::silent();
    auto closing_find = FindEnd::incomplete;
    steps.run([&] { closing_find = find_rows(); });
    if (closing_find == FindEnd::complete) {
        steps.run([&] { view_.set_status(texts::undone(run.restored)); });
    }
    steps.run([&] { view_.set_pointer(MousePointer::standard); });
    const std::u16string left_alone = texts::undo_left_alone(run.changed_since, run.not_restored);
    if (!left_alone.empty()) {
        steps.run([&] { tell(left_alone); });
    }
}

}  // namespace tarvex
