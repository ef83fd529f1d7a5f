#include "engine/commands.h"

#include <cstdint>
#include <functional>
#include <string_view>

#include "base/text.h"
#include "engine/escapes.h"
#include "engine/list_text.h"
#include "base/steps.h"
#include "settings/recent_lists.h"

namespace tarvex {
namespace {

namespace texts = command_texts;

// The rectangle Find searches on every worksheet: columns A to IV, rows 1 to 65536.
constexpr char16_t search_first_cell[] = u"A1";
constexpr char16_t search_last_cell[] = u"IV65536";

// What a macro client gets when it uses a workbook reference that holds nothing.
HostError no_workbook() {
    return object_not_set_error(tarvex_source);
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

// 12,345: counts in the progress texts, grouped by thousands.
std::u16string grouped(std::size_t count) {
    const std::u16string digits = decimal(static_cast<std::int64_t>(count));
    std::u16string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            out += u',';
        }
        out += digits[i];
    }
    return out;
}

bool is_formula(std::u16string_view text) {
    return !text.empty() && text[0] == u'=';
}

bool is_blank(std::u16string_view text) {
    return text.find_first_not_of(u' ') == std::u16string_view::npos;
}

std::unique_ptr<HostRange> row_cell(const std::shared_ptr<HostWorkbook>& book, const ResultRow& row) {
    if (!book) {
        throw no_workbook();
    }
    return book->sheet(row.sheet)->range(row.address);
}

// Records the box's text in its recent list and refills the box's drop-down,
// which empties the box, so the text is put back afterwards.
void record_recent(SettingsContext& settings, const RecentList& list, ComboBox& combo) {
    const std::u16string text = combo.text();
    add_recent(settings, list, combo);
    fill_recent(settings, list, combo);
    combo.set_text(text);
}

// The list now shows these rows of this workbook, so Replace and Go to must
// address this workbook and no other. The view hears of the change once: nothing
// is painted while a command runs.
void replace_listed_rows(MainWindowControls& w, AddinGlobals& globals, const std::shared_ptr<HostWorkbook>& book,
                         std::vector<ResultRow> rows) {
    globals.target_workbook = book;
    w.lvwMain.rows().clear();
    w.lvwMain.rows().append(std::move(rows));
    w.lvwMain.rows_changed();
}

// "Done(5 matches)  ..." as always when every host call succeeded; otherwise it
// says how many calls were passed over, so a partial list never looks complete.
std::u16string find_status(std::size_t matches, std::size_t not_read) {
    std::u16string text = u"Done(" + decimal(static_cast<std::int64_t>(matches)) + u" matches";
    if (not_read > 0) {
        text += u", " + decimal(static_cast<std::int64_t>(not_read)) + u" not read";
    }
    return text + u")  ...";
}

std::u16string cells(std::size_t count) {
    return decimal(static_cast<std::int64_t>(count)) + (count == 1 ? u" cell" : u" cells");
}

std::u16string replace_status(std::size_t not_written) {
    if (not_written == 0) {
        return texts::replace_done;
    }
    return u"Done (" + cells(not_written) + u" not written) ...";
}

void show_refusal(MainWindowControls& w) {
    w.messages.show(MessageRequest{texts::refusal, u"", MessageButtons::ok, MessageIcon::none, 1});
}

// The addresses met on one worksheet, looked up in the listed rows themselves:
// an open-addressing table of row indices, so a match costs no key string and no
// allocation of its own.
class MetAddresses {
public:
    explicit MetAddresses(const std::vector<ResultRow>& rows) : rows_(rows), first_(rows.size()), slots_(64, empty) {}

    bool contains(std::u16string_view address) const {
        for (std::size_t at = hash(address) & mask();; at = (at + 1) & mask()) {
            if (slots_[at] == empty) {
                return false;
            }
            if (rows_[first_ + slots_[at]].address == address) {
                return true;
            }
        }
    }

    // Records the row just appended.
    void add_last() {
        if ((count_ + 1) * 2 > slots_.size()) {
            grow();
        }
        place(static_cast<std::uint32_t>(rows_.size() - 1 - first_));
        ++count_;
    }

private:
    static constexpr std::uint32_t empty = 0xFFFFFFFFu;
    static std::size_t hash(std::u16string_view address) { return std::hash<std::u16string_view>{}(address); }
    std::size_t mask() const { return slots_.size() - 1; }

    void place(std::uint32_t index) {
        std::size_t at = hash(rows_[first_ + index].address) & mask();
        while (slots_[at] != empty) {
            at = (at + 1) & mask();
        }
        slots_[at] = index;
    }

    void grow() {
        std::vector<std::uint32_t> old(slots_.size() * 2, empty);
        old.swap(slots_);
        for (const std::uint32_t index : old) {
            if (index != empty) {
                place(index);
            }
        }
    }

    const std::vector<ResultRow>& rows_;
    std::size_t first_;                 // this worksheet's first row
    std::vector<std::uint32_t> slots_;  // indices from first_, a power of two of them
    std::size_t count_ = 0;
};

// The walk over one worksheet: match after match until it meets a cell again.
// The first search call switches the run to tolerant mode; returns false when the
// host refused that call, which ends the whole command.
enum class WalkEnd { next_sheet, refused, stopped };

WalkEnd walk_sheet(HostSheet& sheet, const std::u16string& what, Steps& steps, CommandProgress& progress,
                   std::vector<ResultRow>& rows) {
    MetAddresses met(rows);
    std::unique_ptr<HostRange> within;
    if (steps.run([&] { within = sheet.range(search_first_cell, search_last_cell); }) != Steps::Outcome::done) {
        return WalkEnd::next_sheet;
    }
    std::unique_ptr<HostRange> held;
    steps.go_silent();
    if (steps.run([&] { held = within->find(what, nullptr); }) != Steps::Outcome::done) {
        return is_host_busy(steps.last_failure()->hresult) ? WalkEnd::refused : WalkEnd::next_sheet;
    }
    if (progress.checkpoint().stop) {
        return WalkEnd::stopped;
    }
    std::u16string name;
    if (held && steps.run([&] { name = sheet.name(); }) != Steps::Outcome::done) {
        return WalkEnd::next_sheet;
    }
    while (held) {
        std::u16string address;
        // Without the address the walk cannot tell when it has come round, so a
        // failed read ends this worksheet rather than risk walking forever.
        if (steps.run([&] { address = held->address(); }) != Steps::Outcome::done) {
            return WalkEnd::next_sheet;
        }
        if (met.contains(address)) {
            return WalkEnd::next_sheet;
        }
        rows.push_back(ResultRow{name, std::move(address), u"", false});
        met.add_last();
        // The displayed text comes from the cell just found: looking it up again by
        // sheet name and address would cost two more host calls per match, and
        // nothing can change the workbook while the command runs. A text that
        // cannot be read stays empty.
        steps.run([&] { rows.back().content = held->text(); });
        std::unique_ptr<HostRange> next;
        // A failed call keeps the held match, which the next round finds already met.
        if (steps.run([&] { next = within->find(what, held.get()); }) == Steps::Outcome::done) {
            held = std::move(next);
        }
        const CommandProgress::Checkpoint at = progress.checkpoint();
        if (at.report_due) {
            progress.report(std::u16string(texts::searching) + u" " + name + u": " + grouped(rows.size()) +
                            u" matches");
        }
        // Esc: the rows found so far are the list.
        if (at.stop) {
            return WalkEnd::stopped;
        }
    }
    return WalkEnd::next_sheet;
}

// Whether a Find run listed everything it was asked for. An incomplete run has
// already said so, in its status or with the refusal message.
enum class FindEnd { complete, incomplete };

FindEnd find_rows(MainWindowControls& w, AddinGlobals& globals) {
    const std::u16string typed = w.cmbSearchFor.text();
    if (is_blank(typed)) {
        return FindEnd::complete;
    }
    const std::u16string what = PrepareSearchString(typed);
    w.progress.start();
    w.screen.set_mouse_pointer(MousePointer::hourglass);
    w.StatusBar1.set_text(texts::status_key, texts::searching);

    Steps steps = Steps::strict();
    std::vector<ResultRow> rows;
    std::shared_ptr<HostWorkbook> book;
    bool stopped = false;
    try {
        if (globals.application) {
            book = globals.application->active_workbook();
        }
        if (!book) {
            throw no_workbook();
        }
        for (const auto& sheet : book->worksheets()) {
            const WalkEnd end = walk_sheet(*sheet, what, steps, w.progress, rows);
            if (end == WalkEnd::stopped) {
                stopped = true;
                break;
            }
            if (end == WalkEnd::refused) {
                // The list stays empty, whatever earlier worksheets had matched.
                replace_listed_rows(w, globals, book, {});
                show_refusal(w);
                w.screen.set_mouse_pointer(MousePointer::standard);
                w.StatusBar1.set_text(texts::status_key, texts::find_refused);
                return FindEnd::incomplete;
            }
        }
    } catch (...) {
        // A failure before the first search call: nothing was searched, and the
        // list and the workbook its rows belong to stay as they were.
        const Failure failure = current_failure();
        if (is_host_busy(failure.hresult)) {
            show_refusal(w);
        }
        w.screen.set_mouse_pointer(MousePointer::standard);
        w.StatusBar1.set_text(texts::status_key, texts::find_refused);
        return FindEnd::incomplete;
    }

    // Host calls of the search that tolerant mode passed over: matches or texts
    // the list may lack.
    const std::size_t not_read = steps.skipped();
    steps.run([&] { replace_listed_rows(w, globals, book, std::move(rows)); });
    steps.run([&] { record_recent(w.settings, recent_searches, w.cmbSearchFor); });
    steps.run([&] {
        w.StatusBar1.set_text(
            texts::status_key,
            stopped ? u"Stopped (" + decimal(static_cast<std::int64_t>(w.lvwMain.rows().size())) + u" matches)  ..."
                    : find_status(w.lvwMain.rows().size(), not_read));
    });
    steps.run([&] { w.screen.set_mouse_pointer(MousePointer::standard); });
    return not_read == 0 && !stopped ? FindEnd::complete : FindEnd::incomplete;
}

}  // namespace

void cmdFind_Click(MainWindowControls& w, AddinGlobals& globals) {
    find_rows(w, globals);
}

void replace_rows(MainWindowControls& w, AddinGlobals& globals, RowFilter filter) {
    const std::u16string raw_replacement = w.cmbReplace.text();
    if (raw_replacement.empty()) {
        const MessageAnswer answer = w.messages.show(
            MessageRequest{texts::clear_question, u"", MessageButtons::yes_no, MessageIcon::critical, 1});
        if (answer != MessageAnswer::yes) {
            return;
        }
    }
    const std::u16string search = PrepareSearchString(w.cmbSearchFor.text());
    const std::u16string replacement = PrepareSearchString(raw_replacement);
    const bool whole_cell = w.chkEntireCellContent.value() == 1;
    w.progress.start();
    w.screen.set_mouse_pointer(MousePointer::hourglass);
    w.StatusBar1.set_text(texts::status_key, texts::replacing);

    Steps steps = Steps::strict();
    // Rows of the run whose cell tolerant mode passed over: the status says so.
    std::size_t not_written = 0;
    // Every cell this run writes; it replaces the record of the run before.
    UndoRecord record{globals.target_workbook, {}};
    // How many rows this run has to write, for "Replacing ... 1,200 of 5,000".
    std::size_t to_do = 0;
    std::size_t done = 0;
    bool stopped = false;
    try {
        const ResultList& list = w.lvwMain.rows();
        for (std::size_t i = 0; i < list.size(); ++i) {
            to_do += filter == RowFilter::all || list.row(i).ticked;
        }
        for (std::size_t i = 0; i < list.size(); ++i) {
            const ResultRow& row = list.row(i);
            if (filter == RowFilter::ticked && !row.ticked) {
                continue;
            }
            // Esc: what is written stays written (and undoable); the rest is not touched.
            const CommandProgress::Checkpoint at = w.progress.checkpoint();
            if (at.stop) {
                stopped = true;
                break;
            }
            ++done;
            if (at.report_due) {
                w.progress.report(std::u16string(texts::replacing) + u" " + grouped(done) + u" of " + grouped(to_do));
            }
            // A row whose sheet or cell can no longer be addressed is skipped once
            // the run is tolerant: no other cell may be written in its place.
            std::unique_ptr<HostRange> cell;
            if (steps.run([&] { cell = row_cell(globals.target_workbook, row); }) != Steps::Outcome::done) {
                ++not_written;
                continue;
            }
            if (whole_cell) {
                // What the cell held is read first: Undo Replace writes it back.
                UndoEntry entry{row.sheet, row.address, u"", false, replacement};
                if (steps.run([&] {
                        entry.before = cell->formula();
                        entry.before_is_text = !is_formula(entry.before) && cell->holds_text();
                        cell->set_value(replacement);
                    }) == Steps::Outcome::skipped) {
                    ++not_written;
                } else {
                    entry.written = formula_now(*cell, entry.written);
                    record.entries.push_back(std::move(entry));
                }
                continue;
            }
            steps.go_silent();
            // Writing back a formula text the replacement left as it was would turn a
            // text 007 into the number 7 or flatten an array formula, so such a cell
            // is not written at all.
            std::optional<std::u16string> formula_before;
            std::optional<bool> before_is_text;
            std::u16string replaced;
            bool written = false;
            const auto formula_write = steps.run([&] {
                formula_before = cell->formula();
                replaced = replace_all(*formula_before, search, replacement);
                if (replaced != *formula_before) {
                    before_is_text = !is_formula(*formula_before) && cell->holds_text();
                    written = true;
                    cell->set_value(replaced);
                }
            });
            const auto remember = [&](const std::u16string& text) {
                record.entries.push_back(
                    UndoEntry{row.sheet, row.address, *formula_before, *before_is_text, formula_now(*cell, text)});
            };
            if (formula_write == Steps::Outcome::done) {
                if (written) {
                    remember(replaced);
                }
                continue;
            }
            // Only the host's own errors earn a second way: a busy host refuses
            // that too, and a failure without an error number is not about the text.
            // Nor does a cell whose text or kind could not be read first: what it
            // held could not be written back by Undo Replace.
            const Failure& failure = *steps.last_failure();
            if (failure.number <= 0 || is_host_busy(failure.hresult) || !formula_before || !before_is_text) {
                ++not_written;
                continue;
            }
            // A host may apply a write and still report a failure. Replacing again in
            // the value would then replace inside the text already replaced, so the
            // second way runs only while the cell still holds what was read.
            if (written) {
                bool unchanged = false;
                if (steps.run([&] { unchanged = cell->formula() == *formula_before; }) != Steps::Outcome::done) {
                    ++not_written;  // cannot tell, so it is not written again
                    continue;
                }
                if (!unchanged) {
                    remember(replaced);  // the host did write it
                    continue;
                }
            }
            std::optional<std::u16string> value_written;
            const auto value_write = steps.run([&] {
                // A value without a text form (an error value) leaves the cell.
                const std::optional<std::u16string> value = cell->value_text();
                if (!value) {
                    return;
                }
                std::u16string value_replaced = replace_all(*value, search, replacement);
                if (value_replaced != *value) {
                    cell->set_value(value_replaced);
                    value_written = std::move(value_replaced);
                }
            });
            if (value_write == Steps::Outcome::skipped) {
                ++not_written;
            } else if (value_written) {
                remember(*value_written);
            }
        }
    } catch (...) {
        // Outside tolerant mode a failing step ends the command: no further cell
        // is written, and the user learns why. What was written stays undoable.
        globals.last_replace = std::move(record);
        const Failure failure = current_failure();
        w.screen.set_mouse_pointer(MousePointer::standard);
        w.StatusBar1.set_text(texts::status_key, u"Done ..");
        w.messages.show(MessageRequest{failure.description, u"", MessageButtons::ok, MessageIcon::exclamation, 1});
        return;
    }

    globals.last_replace = std::move(record);
    auto closing_find = FindEnd::incomplete;
    steps.run([&] { closing_find = find_rows(w, globals); });
    steps.run([&] { record_recent(w.settings, recent_replacements, w.cmbReplace); });
    // Every cell written: the plain text, unless the list Find made afterwards is
    // incomplete, in which case its own status stays to say so.
    if (stopped) {
        steps.run([&] {
            w.StatusBar1.set_text(texts::status_key, u"Stopped (" + grouped(globals.last_replace.entries.size()) +
                                                         u" of " + grouped(to_do) + u" cells replaced)  ...");
        });
    } else if (not_written > 0 || closing_find == FindEnd::complete) {
        steps.run([&] { w.StatusBar1.set_text(texts::status_key, replace_status(not_written)); });
    }
    steps.run([&] { w.screen.set_mouse_pointer(MousePointer::standard); });
}

namespace {

// "Plants!$A$1, 'Sales Q1'!$B$4 and 3 more": the first few, as references.
std::u16string some_of(const std::vector<std::u16string>& labels) {
    constexpr std::size_t shown = 5;
    std::u16string text;
    for (std::size_t i = 0; i < labels.size() && i < shown; ++i) {
        text += (i == 0 ? u"" : u", ") + labels[i];
    }
    if (labels.size() > shown) {
        text += u" and " + decimal(static_cast<std::int64_t>(labels.size() - shown)) + u" more";
    }
    return text;
}

}  // namespace

bool can_undo_replace(const AddinGlobals& globals) {
    return !globals.last_replace.empty();
}

void undo_replace(MainWindowControls& w, AddinGlobals& globals) {
    // One level: the record is used up whatever happens below.
    const UndoRecord record = std::move(globals.last_replace);
    globals.last_replace = UndoRecord{};
    if (record.empty()) {
        return;
    }
    w.screen.set_mouse_pointer(MousePointer::hourglass);
    w.StatusBar1.set_text(texts::status_key, texts::undoing);

    // Tolerant throughout, as the replace commands are after their first row:
    // a cell that cannot be reached is counted and the rest are still restored.
    Steps steps = Steps::silent();
    std::size_t restored = 0;
    std::vector<std::u16string> changed_since;
    std::vector<std::u16string> not_restored;
    for (auto entry = record.entries.rbegin(); entry != record.entries.rend(); ++entry) {
        const std::u16string label = list_text::sheet_reference(entry->sheet) + u"!" + entry->address;
        std::unique_ptr<HostRange> cell;
        std::u16string now;
        if (steps.run([&] {
                if (!record.workbook) {
                    throw no_workbook();
                }
                cell = record.workbook->sheet(entry->sheet)->range(entry->address);
                now = cell->formula();
            }) != Steps::Outcome::done) {
            not_restored.push_back(label);
            continue;
        }
        // Someone changed the cell after the replace: their change stays.
        if (now != entry->written) {
            changed_since.push_back(label);
            continue;
        }
        if (steps.run([&] { cell->set_value(restoring_input(*entry)); }) != Steps::Outcome::done) {
            not_restored.push_back(label);
            continue;
        }
        ++restored;
    }

    auto closing_find = FindEnd::incomplete;
    steps.run([&] { closing_find = find_rows(w, globals); });
    if (closing_find == FindEnd::complete) {
        steps.run([&] { w.StatusBar1.set_text(texts::status_key, u"Undone (" + cells(restored) + u")  ..."); });
    }
    steps.run([&] { w.screen.set_mouse_pointer(MousePointer::standard); });
    if (!changed_since.empty() || !not_restored.empty()) {
        std::u16string text;
        if (!changed_since.empty()) {
            text += cells(changed_since.size()) + u" changed after the replace " +
                    (changed_since.size() == 1 ? u"was" : u"were") + u" left as " +
                    (changed_since.size() == 1 ? u"it is" : u"they are") + u": " + some_of(changed_since) + u".";
        }
        if (!not_restored.empty()) {
            text += (text.empty() ? u"" : u"\r\n") + cells(not_restored.size()) + u" could not be written back: " +
                    some_of(not_restored) + u".";
        }
        steps.run([&] {
            w.messages.show(
                MessageRequest{text, texts::message_title, MessageButtons::ok, MessageIcon::exclamation, 1});
        });
    }
}

void lvwMain_DblClick(MainWindowControls& w, AddinGlobals& globals) {
    const std::optional<std::size_t> selected = w.lvwMain.selected_row();
    if (!selected || *selected >= w.lvwMain.rows().size()) {
        return;
    }
    const ResultRow row = w.lvwMain.rows().row(*selected);
    try {
        if (!globals.target_workbook) {
            throw no_workbook();
        }
        globals.target_workbook->sheet(row.sheet)->activate();
        // A sheet that cannot be activated is not searched for its cell: the
        // command ends without any further effect on the workbook.
        globals.target_workbook->sheet(row.sheet)->range(row.address)->select();
    } catch (...) {
        const Failure failure = current_failure();
        w.messages.show(MessageRequest{failure.description, u"", MessageButtons::ok, MessageIcon::exclamation, 1});
    }
}

}  // namespace tarvex
