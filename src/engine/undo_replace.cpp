// Undo Replace: what the last replace command wrote over goes back, cell by
// cell, where nobody has changed the cell since.
#include "base/steps.h"
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

// Tolerant throughout, as the replace commands are after their first row: a
// cell that cannot be reached is counted and the rest are still restored. The
// last write goes back first.
UndoRun restore(const UndoRecord& record) {
    Steps steps = Steps::silent();
    UndoRun run;
    for (auto entry = record.entries.rbegin(); entry != record.entries.rend(); ++entry) {
        const std::u16string label = list_text::sheet_reference(entry->sheet) + u"!" + entry->address;
        std::unique_ptr<HostRange> cell;
        std::u16string now;
        if (steps.run([&] {
                if (!record.workbook) {
                    throw object_not_set_error(tarvex_source);
                }
                cell = record.workbook->sheet(entry->sheet)->range(entry->address);
                now = cell->formula();
            }) != Steps::Outcome::done) {
            run.not_restored.push_back(label);
            continue;
        }
        // Someone changed the cell after the replace: their change stays.
        if (now != entry->written) {
            run.changed_since.push_back(label);
            continue;
        }
        if (steps.run([&] { cell->set_value(restoring_input(*entry)); }) != Steps::Outcome::done) {
            run.not_restored.push_back(label);
            continue;
        }
        ++run.restored;
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
