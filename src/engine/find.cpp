// Find across the workbook: the walk over each worksheet with the host's own
// Find, and the list it leaves.
#include <string_view>

#include "base/steps.h"
#include "engine/command_texts.h"
#include "engine/escapes.h"
#include "engine/met_addresses.h"
#include "engine/search_session.h"

namespace tarvex {
namespace {

namespace texts = command_texts;

// The rectangle Find searches on every worksheet: columns A to IV, rows 1 to 65536.
constexpr char16_t search_first_cell[] = u"A1";
constexpr char16_t search_last_cell[] = u"IV65536";

bool is_blank(std::u16string_view text) {
    return text.find_first_not_of(u' ') == std::u16string_view::npos;
}

enum class WalkEnd { next_sheet, refused, stopped };

// One worksheet's walk, once its first match is held: match after match until
// it meets a cell again.
WalkEnd walk_matches(HostRange& within, std::unique_ptr<HostRange> held, const std::u16string& name,
                     const std::u16string& what, const FindOptions& options, Steps& steps, CommandProgress& progress,
                     std::vector<ResultRow>& rows) {
    MetAddresses met(rows);
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
        if (steps.run([&] { next = within.find(what, held.get(), options); }) == Steps::Outcome::done) {
            held = std::move(next);
        }
        const CommandProgress::Checkpoint at = progress.checkpoint();
        if (at.report_due) {
            progress.report(texts::searching_sheet(name, rows.size()));
        }
        // Esc: the rows found so far are the list.
        if (at.stop) {
            return WalkEnd::stopped;
        }
    }
    return WalkEnd::next_sheet;
}

// The walk over one worksheet. Its first search call switches the run to
// tolerant mode; a host that refuses that call ends the whole command.
WalkEnd walk_sheet(HostSheet& sheet, const std::u16string& what, const FindOptions& options, Steps& steps,
                   CommandProgress& progress, std::vector<ResultRow>& rows) {
    std::unique_ptr<HostRange> within;
    if (steps.run([&] { within = sheet.range(search_first_cell, search_last_cell); }) != Steps::Outcome::done) {
        return WalkEnd::next_sheet;
    }
    std::unique_ptr<HostRange> held;
    steps.go_silent();
    if (steps.run([&] { held = within->find(what, nullptr, options); }) != Steps::Outcome::done) {
        return is_host_busy(steps.last_failure()->hresult) ? WalkEnd::refused : WalkEnd::next_sheet;
    }
    if (progress.checkpoint().stop) {
        return WalkEnd::stopped;
    }
    std::u16string name;
    if (held && steps.run([&] { name = sheet.name(); }) != Steps::Outcome::done) {
        return WalkEnd::next_sheet;
    }
    return walk_matches(*within, std::move(held), name, what, options, steps, progress, rows);
}

}  // namespace

void SearchSession::cmdFind_Click() {
    find_rows();
}

SearchSession::FindEnd SearchSession::find_rows() {
    const std::u16string typed = view_.search_box().text();
    if (is_blank(typed)) {
        return FindEnd::complete;
    }
    const std::u16string what = PrepareSearchString(typed);
    view_.progress().start();
    view_.set_pointer(MousePointer::hourglass);
    view_.set_status(texts::searching);

    Steps steps = Steps::strict();
    std::vector<ResultRow> found;
    std::shared_ptr<HostWorkbook> book;
    WalkEnd end = WalkEnd::next_sheet;
    try {
        book = application_ ? application_->active_workbook() : nullptr;
        if (!book) {
            throw object_not_set_error(tarvex_source);
        }
        for (const auto& sheet : book->worksheets()) {
            end = walk_sheet(*sheet, what, FindOptions{}, steps, view_.progress(), found);
            if (end != WalkEnd::next_sheet) {
                break;
            }
        }
    } catch (...) {
        // A failure before the first search call: nothing was searched, and the
        // list and the workbook its rows belong to stay as they were.
        if (is_host_busy(current_failure().hresult)) {
            show_refusal();
        }
        end = WalkEnd::refused;
        book.reset();
    }
    if (end == WalkEnd::refused) {
        if (book) {
            list_rows(book, {});  // whatever earlier worksheets had matched
            show_refusal();
        }
        view_.set_pointer(MousePointer::standard);
        view_.set_status(texts::find_refused);
        return FindEnd::incomplete;
    }

    // Host calls of the search that tolerant mode passed over: matches or texts
    // the list may lack.
    const std::size_t not_read = steps.skipped();
    const bool stopped = end == WalkEnd::stopped;
    steps.run([&] { list_rows(book, std::move(found)); });
    steps.run([&] { record_recent_search(); });
    steps.run([&] {
        view_.set_status(stopped ? texts::find_stopped(rows_.size()) : texts::find_done(rows_.size(), not_read));
    });
    steps.run([&] { view_.set_pointer(MousePointer::standard); });
    return not_read == 0 && !stopped ? FindEnd::complete : FindEnd::incomplete;
}

}  // namespace tarvex
