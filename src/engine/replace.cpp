// Replace and Replace All: which rows they write, how one cell is written, what
// is recorded for Undo Replace, and what the status says afterwards.
#include <string_view>

#include "base/steps.h"
#include "engine/command_texts.h"
#include "engine/escapes.h"
#include "engine/search_session.h"

namespace tarvex {
namespace {

namespace texts = command_texts;

struct ReplaceTexts {
    std::u16string search;
    std::u16string replacement;
    bool whole_cell;
};

// One run's account: what it wrote (for Undo Replace), what it could not write
// and how far it came.
struct ReplaceRun {
    UndoRecord record;
    std::size_t to_do = 0;
    std::size_t done = 0;
    std::size_t not_written = 0;
    bool stopped = false;
};

enum class Written { yes, unchanged, no };
struct CellWrite {
    Written written;
    UndoEntry entry;  // what Undo Replace needs, when written
};

bool is_formula(std::u16string_view text) {
    return !text.empty() && text[0] == u'=';
}

// Which rows: the ticked ones or all of them, in the list's order.
std::vector<std::size_t> rows_to_replace(const ResultList& list, RowFilter filter) {
    std::vector<std::size_t> which;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (filter == RowFilter::all || list.row(i).ticked) {
            which.push_back(i);
        }
    }
    return which;
}

// What a cell holds after a write, as its formula reads back: the host turns
// typed input into its own form (090 into 90, =sum(a1) into =SUM(A1)), and Undo
// Replace compares with that. When it cannot be read, the text written stands
// in; undo then leaves a cell it does not recognise alone.
std::u16string formula_now(HostRange& cell, const std::u16string& written) {
    try {
        return cell.formula();
    } catch (...) {
        return written;
    }
}

CellWrite written(HostRange& cell, const ResultRow& row, const std::u16string& before, bool before_is_text,
                  const std::u16string& text) {
    return CellWrite{Written::yes, UndoEntry{row.sheet, row.address, before, before_is_text, formula_now(cell, text)}};
}

CellWrite not_written() {
    return CellWrite{Written::no, {}};
}

// Whole-cell mode: the replacement is the cell's new content, whatever it held;
// what it held is read first, for Undo Replace.
CellWrite write_whole_cell(HostRange& cell, const ResultRow& row, const ReplaceTexts& t, Steps& steps) {
    std::u16string before;
    bool before_is_text = false;
    if (steps.run([&] {
            before = cell.formula();
            before_is_text = !is_formula(before) && cell.holds_text();
            cell.set_value(t.replacement);
        }) == Steps::Outcome::skipped) {
        return not_written();
    }
    return written(cell, row, before, before_is_text, t.replacement);
}

// The cell as the formula-based write found it.
struct FormulaWrite {
    std::optional<std::u16string> before;
    std::optional<bool> before_is_text;
    std::u16string replaced;
    bool attempted = false;
};

// The value-based write, the second way for a cell whose formula-based write the
// host turned down with one of its own errors.
CellWrite write_value(HostRange& cell, const ResultRow& row, const ReplaceTexts& t, Steps& steps,
                      const FormulaWrite& first) {
    // A host may apply a write and still report a failure. Replacing again in the
    // value would then replace inside the text already replaced, so the second
    // way runs only while the cell still holds what was read.
    if (first.attempted) {
        bool unchanged = false;
        if (steps.run([&] { unchanged = cell.formula() == *first.before; }) != Steps::Outcome::done) {
            return not_written();  // cannot tell, so it is not written again
        }
        if (!unchanged) {
            return written(cell, row, *first.before, *first.before_is_text, first.replaced);  // the host did write it
        }
    }
    std::optional<std::u16string> value_written;
    if (steps.run([&] {
            // A value without a text form (an error value) leaves the cell.
            const std::optional<std::u16string> value = cell.value_text();
            if (!value) {
                return;
            }
            std::u16string value_replaced = replace_all(*value, t.search, t.replacement);
            if (value_replaced != *value) {
                cell.set_value(value_replaced);
                value_written = std::move(value_replaced);
            }
        }) == Steps::Outcome::skipped) {
        return not_written();
    }
    if (!value_written) {
        return CellWrite{Written::unchanged, {}};
    }
    return written(cell, row, *first.before, *first.before_is_text, *value_written);
}

// Text mode: the search text replaced inside the cell's formula text. The first
// such row switches the run to tolerant mode.
CellWrite write_text(HostRange& cell, const ResultRow& row, const ReplaceTexts& t, Steps& steps) {
    steps.go_silent();
    // Writing back a formula text the replacement left as it was would turn a
    // text 007 into the number 7 or flatten an array formula, so such a cell is
    // not written at all.
    FormulaWrite first;
    if (steps.run([&] {
            first.before = cell.formula();
            first.replaced = replace_all(*first.before, t.search, t.replacement);
            if (first.replaced != *first.before) {
                first.before_is_text = !is_formula(*first.before) && cell.holds_text();
                first.attempted = true;
                cell.set_value(first.replaced);
            }
        }) == Steps::Outcome::done) {
        return first.attempted ? written(cell, row, *first.before, *first.before_is_text, first.replaced)
                               : CellWrite{Written::unchanged, {}};
    }
    // Only the host's own errors earn a second way: a busy host refuses that
    // too, and a failure without an error number is not about the text. Nor does
    // a cell whose text or kind could not be read first: what it held could not
    // be written back by Undo Replace.
    const Failure& failure = *steps.last_failure();
    if (failure.number <= 0 || is_host_busy(failure.hresult) || !first.before || !first.before_is_text) {
        return not_written();
    }
    return write_value(cell, row, t, steps, first);
}

// Writes the rows' cells in the target workbook, one after another, until the
// user presses Esc. A row whose sheet or cell can no longer be addressed is
// skipped once the run is tolerant: no other cell may be written in its place.
void write_rows(const ResultList& list, const std::vector<std::size_t>& which,
                const std::shared_ptr<HostWorkbook>& book, const ReplaceTexts& t, CommandProgress& progress,
                Steps& steps, ReplaceRun& run) {
    run.to_do = which.size();
    for (const std::size_t index : which) {
        const ResultRow& row = list.row(index);
        // Esc: what is written stays written (and undoable); the rest is not touched.
        const CommandProgress::Checkpoint at = progress.checkpoint();
        if (at.stop) {
            run.stopped = true;
            return;
        }
        ++run.done;
        if (at.report_due) {
            progress.report(texts::replacing_count(run.done, run.to_do));
        }
        std::unique_ptr<HostRange> cell;
        if (steps.run([&] {
                if (!book) {
                    throw object_not_set_error(tarvex_source);
                }
                cell = book->sheet(row.sheet)->range(row.address);
            }) != Steps::Outcome::done) {
            ++run.not_written;
            continue;
        }
        CellWrite result = t.whole_cell ? write_whole_cell(*cell, row, t, steps) : write_text(*cell, row, t, steps);
        if (result.written == Written::yes) {
            run.record.entries.push_back(std::move(result.entry));
        } else if (result.written == Written::no) {
            ++run.not_written;
        }
    }
}

}  // namespace

void SearchSession::replace_rows(RowFilter filter) {
    const std::u16string raw_replacement = view_.replace_box().text();
    if (raw_replacement.empty() && view_.show_message(MessageRequest{texts::clear_question, u"", MessageButtons::yes_no,
                                                                     MessageIcon::critical, 1}) != MessageAnswer::yes) {
        return;
    }
    const ReplaceTexts t{PrepareSearchString(view_.search_box().text()), PrepareSearchString(raw_replacement),
                         view_.entire_cell_content()};
    view_.progress().start();
    view_.set_pointer(MousePointer::hourglass);
    view_.set_status(texts::replacing);

    Steps steps = Steps::strict();
    // Every cell this run writes; it replaces the record of the run before.
    ReplaceRun run{UndoRecord{target_, {}}};
    try {
        write_rows(rows_, rows_to_replace(rows_, filter), target_, t, view_.progress(), steps, run);
    } catch (...) {
        // Outside tolerant mode a failing step ends the command: no further cell
        // is written, and the user learns why. What was written stays undoable.
        last_replace_ = std::move(run.record);
        const Failure failure = current_failure();
        view_.set_pointer(MousePointer::standard);
        view_.set_status(texts::replace_failed);
        view_.show_message(MessageRequest{failure.description, u"", MessageButtons::ok, MessageIcon::exclamation, 1});
        return;
    }
    last_replace_ = std::move(run.record);

    auto closing_find = FindEnd::incomplete;
    steps.run([&] { closing_find = find_rows(); });
    steps.run([&] { record_recent_replacement(); });
    // Every cell written: the plain text, unless the list Find made afterwards is
    // incomplete, in which case its own status stays to say so.
    if (run.stopped) {
        steps.run([&] { view_.set_status(texts::replace_stopped(last_replace_.entries.size(), run.to_do)); });
    } else if (run.not_written > 0 || closing_find == FindEnd::complete) {
        steps.run([&] { view_.set_status(texts::replace_status(run.not_written)); });
    }
    steps.run([&] { view_.set_pointer(MousePointer::standard); });
}

}  // namespace tarvex
