// Find across the workbook: the walk over each worksheet with the host's own
// Find, and the list it leaves.
#include <algorithm>
#include <string_view>

#include "engine/command_texts.h"
#include "engine/escapes.h"
#include "engine/met_addresses.h"
#include "engine/search_session.h"
#include "engine/sheet_search.h"

namespace tarvex {
namespace {

namespace texts = command_texts;

bool is_blank(std::u16string_view text) {
    return text.find_first_not_of(u' ') == std::u16string_view::npos;
}

// One worksheet's walk, once its first match is held: match after match until
// it meets a cell again.
WalkEnd walk_matches(HostRange& within, std::unique_ptr<HostRange> held, const std::u16string& name,
                     const SheetSearch& search, Steps& steps, CommandProgress& progress, std::vector<ResultRow>& rows) {
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
        rows.push_back(ResultRow{name, std::move(address), u"", false, search.book, search.pair});
        met.add_last();
        // The displayed text comes from the cell just found: looking it up again by
        // sheet name and address would cost two more host calls per match, and
        // nothing can change the workbook while the command runs. A text that
        // cannot be read stays empty.
        steps.run([&] { rows.back().content = held->text(); });
        std::unique_ptr<HostRange> next;
        // A failed call keeps the held match, which the next round finds already met.
        if (steps.run([&] { next = within.find(search.what, held.get(), search.find_options); }) ==
            Steps::Outcome::done) {
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

}  // namespace

WalkEnd walk_sheet(HostSheet& sheet, SheetSearch& search, Steps& steps, CommandProgress& progress,
                   std::vector<ResultRow>& rows) {
    std::unique_ptr<HostRange> within;
    if (steps.run([&] { within = sheet.range(search_first_cell, search_last_cell); }) != Steps::Outcome::done) {
        return WalkEnd::next_sheet;
    }
    std::unique_ptr<HostRange> held;
    steps.go_silent();
    if (steps.run([&] { held = within->find(search.what, nullptr, search.find_options); }) != Steps::Outcome::done) {
        return is_host_busy(steps.last_failure()->hresult) ? WalkEnd::refused : WalkEnd::next_sheet;
    }
    if (progress.checkpoint().stop) {
        return WalkEnd::stopped;
    }
    std::u16string name;
    if (held && steps.run([&] { name = sheet.name(); }) != Steps::Outcome::done) {
        return WalkEnd::next_sheet;
    }
    return walk_matches(*within, std::move(held), name, search, steps, progress, rows);
}

void SearchSession::cmdFind_Click() {
    // The Find button searches for the box's text: a list of pairs in force
    // until now gives way to it.
    if (!is_blank(view_.search_box().text())) {
        pairs_.clear();
    }
    find_rows();
}

SearchSession::FindEnd SearchSession::find_rows() {
    std::vector<SheetSearch> searches;
    std::vector<std::optional<Pattern>> patterns;
    if (!plan_searches(searches, patterns)) {
        return pairs_.empty() ? FindEnd::complete : FindEnd::incomplete;
    }
    const Busy busy(busy_);
    view_.progress().start();
    view_.set_pointer(MousePointer::hourglass);
    view_.set_status(texts::searching);

    Steps steps = Steps::strict();
    std::vector<ResultRow> found;
    std::vector<std::shared_ptr<HostWorkbook>> books;
    const WalkEnd end = search_books(searches, steps, books, found);
    if (end == WalkEnd::refused) {
        view_.set_pointer(MousePointer::standard);
        view_.set_status(with_options(texts::find_refused));
        return FindEnd::incomplete;
    }

    // Host calls of the search that tolerant mode passed over, and cells it
    // could not judge: matches or texts the list may lack.
    std::size_t not_read = steps.skipped();
    for (const SheetSearch& search : searches) {
        not_read += search.not_judged;
    }
    const bool stopped = end == WalkEnd::stopped;
    steps.run([&] { list_rows(std::move(books), std::move(found)); });
    if (pairs_.empty()) {
        steps.run([&] { record_recent_search(); });
    }
    steps.run([&] {
        view_.set_status(with_options(stopped          ? texts::find_stopped(rows_.size())
                                      : pairs_.empty() ? texts::find_done(rows_.size(), not_read)
                                                       : texts::pairs_found(rows_.size(), not_read, pairs_.size())));
    });
    steps.run([&] { view_.set_pointer(MousePointer::standard); });
    return not_read == 0 && !stopped ? FindEnd::complete : FindEnd::incomplete;
}

bool SearchSession::plan_searches(std::vector<SheetSearch>& searches, std::vector<std::optional<Pattern>>& patterns) {
    const FindOptions find_options = options_.find_options();
    if (!pairs_.empty()) {
        for (std::size_t i = 0; i < pairs_.size(); ++i) {
            searches.push_back(SheetSearch{pairs_[i].search, find_options});
            searches.back().pattern = pairs_[i].pattern ? &*pairs_[i].pattern : nullptr;
            searches.back().pair = static_cast<std::uint32_t>(i);
        }
    } else {
        const std::u16string typed = view_.search_box().text();
        if (is_blank(typed)) {
            return false;
        }
        searches.push_back(SheetSearch{PrepareSearchString(typed), find_options});
        // A pattern that cannot be compiled changes nothing: the list, the status
        // and the recent list stay as they are.
        patterns.emplace_back();
        if (options_.regular_expression && !compile_pattern(searches.back().what, patterns.back())) {
            return false;
        }
        searches.back().pattern = patterns.back() ? &*patterns.back() : nullptr;
    }
    for (SheetSearch& search : searches) {
        search.in_values = options_.look_in == LookIn::values;
    }
    return true;
}

WalkEnd SearchSession::search_books(std::vector<SheetSearch>& searches, Steps& steps,
                                    std::vector<std::shared_ptr<HostWorkbook>>& books, std::vector<ResultRow>& found) {
    WalkEnd end = WalkEnd::next_sheet;
    std::shared_ptr<HostWorkbook> active;
    std::vector<std::u16string> names;
    try {
        active = application_ ? application_->active_workbook() : nullptr;
        books = searched_books(active, names);
        for (SheetSearch& search : searches) {
            for (std::uint32_t b = 0; b < books.size() && end == WalkEnd::next_sheet; ++b) {
                search.book = b;
                end = search_sheets(*books[b], search, steps, found);
            }
        }
    } catch (...) {
        // A failure before the first search call: nothing was searched, and the
        // list and the workbooks its rows belong to stay as they were.
        if (is_host_busy(current_failure().hresult)) {
            show_refusal();
        }
        return WalkEnd::refused;
    }
    target_ = active;
    if (end == WalkEnd::refused) {
        // The list is emptied, whatever earlier worksheets had matched.
        list_rows(books, {});
        show_refusal();
    } else if (options_.all_workbooks) {
        mark_books(names, found);
    }
    return end;
}

WalkEnd SearchSession::search_sheets(HostWorkbook& book, SheetSearch& search, Steps& steps,
                                     std::vector<ResultRow>& found) {
    for (const auto& sheet : book.worksheets()) {
        const WalkEnd end = search.pattern ? scan_sheet(*sheet, search, steps, view_.progress(), found)
                                           : walk_sheet(*sheet, search, steps, view_.progress(), found);
        if (end != WalkEnd::next_sheet) {
            return end;
        }
    }
    return WalkEnd::next_sheet;
}

std::vector<std::shared_ptr<HostWorkbook>> SearchSession::searched_books(const std::shared_ptr<HostWorkbook>& active,
                                                                         std::vector<std::u16string>& names) {
    if (!active) {
        throw object_not_set_error(tarvex_source);
    }
    if (!options_.all_workbooks) {
        return {active};
    }
    // Every open workbook in the host's order, but those whose every window is
    // hidden (a personal macro workbook): they are not the user's to search.
    std::vector<std::shared_ptr<HostWorkbook>> books;
    for (auto& book : application_->workbooks()) {
        if (book && book->has_visible_window()) {
            names.push_back(book->name());
            books.push_back(std::move(book));
        }
    }
    return books;
}

void SearchSession::mark_books(const std::vector<std::u16string>& names, std::vector<ResultRow>& found) {
    // One workbook's rows read as they always have; rows of several show
    // "[Book name]Sheet name", the host's own notation.
    const bool several =
        std::any_of(found.begin(), found.end(), [&](const ResultRow& row) { return row.book != found.front().book; });
    if (!several) {
        return;
    }
    for (ResultRow& row : found) {
        row.shown_sheet = u"[" + names[row.book] + u"]" + row.sheet;
    }
}

bool SearchSession::compile_pattern(const std::u16string& what, std::optional<Pattern>& pattern) {
    try {
        pattern.emplace(what, options_.match_case, options_.look_at == LookAt::whole);
        return true;
    } catch (const PatternError& error) {
        tell(texts::pattern_invalid(error.explanation, error.position));
        return false;
    }
}

std::u16string SearchSession::with_options(const std::u16string& status) const {
    const std::u16string chosen = describe(options_);
    return chosen.empty() ? status : status + u"  " + chosen;
}

}  // namespace tarvex
