// Replace and Replace All: which rows they write and what the status says
// afterwards; how the cells are written is in bulk_replace and cell_write.
#include <string_view>

#include "base/steps.h"
#include "engine/bulk_replace.h"
#include "engine/cell_write.h"
#include "engine/command_texts.h"
#include "engine/escapes.h"
#include "engine/search_session.h"

namespace tarvex {
namespace {

namespace texts = command_texts;

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

}  // namespace

std::optional<ReplaceTexts> SearchSession::replace_texts(bool tell_why) {
    ReplaceTexts t;
    t.whole_cell = view_.entire_cell_content();
    t.match_case = options_.match_case;
    t.whole_text = options_.look_at == LookAt::whole;
    if (!pairs_.empty()) {
        t.rules = pairs_;
        return t;
    }
    ReplaceRule rule{PrepareSearchString(view_.search_box().text()), PrepareSearchString(view_.replace_box().text()),
                     std::nullopt};
    if (options_.regular_expression) {
        if (tell_why) {
            if (!compile_pattern(rule.search, rule.pattern)) {
                return std::nullopt;
            }
        } else {
            try {
                rule.pattern.emplace(rule.search, options_.match_case, t.whole_text);
            } catch (const PatternError&) {
                return std::nullopt;
            }
        }
    }
    t.rules.push_back(std::move(rule));
    return t;
}

std::u16string SearchSession::preview(std::size_t index) {
    if (busy_ || index >= rows_.size()) {
        return {};
    }
    const ResultRow row = rows_.row(index);
    std::u16string now;
    try {
        const std::shared_ptr<HostWorkbook> book = book_of(row);
        if (!book) {
            throw object_not_set_error(tarvex_source);
        }
        now = book->sheet(row.sheet)->range(row.address)->formula();
    } catch (...) {
        return texts::preview_unreadable;
    }
    const std::optional<ReplaceTexts> t = replace_texts(false);
    const std::u16string pair = row.pair < pairs_.size()
                                    ? texts::pair_named(row.pair, pairs_[row.pair].search, pairs_[row.pair].replacement)
                                    : u"";
    return pair + texts::preview(now, t ? replaced_text(*t, now) : std::nullopt);
}

void SearchSession::replace_rows(RowFilter filter) {
    const std::optional<ReplaceTexts> t = replace_texts(true);
    if (!t) {
        return;  // nothing is written with a pattern that is not one
    }
    if (pairs_.empty() && view_.replace_box().text().empty() &&
        view_.show_message(MessageRequest{texts::clear_question, u"", MessageButtons::yes_no, MessageIcon::critical,
                                          1}) != MessageAnswer::yes) {
        return;
    }
    const Busy busy(busy_);
    view_.progress().start();
    view_.set_pointer(MousePointer::hourglass);
    view_.set_status(texts::replacing);

    Steps steps = Steps::strict();
    // Every cell this run writes; it replaces the record of the run before.
    ReplaceRun run{UndoRecord{books_, {}}};
    try {
        write_rows(rows_, rows_to_replace(rows_, filter), books_, *t, view_.progress(), steps, run);
    } catch (...) {
        // Outside tolerant mode a failing step ends the command: no further cell
        // is written, and the user learns why. What was written stays undoable.
        last_replace_ = std::move(run.record);
        const Failure failure = current_failure();
        view_.set_pointer(MousePointer::standard);
        view_.set_status(with_options(texts::replace_failed));
        view_.show_message(MessageRequest{failure.description, u"", MessageButtons::ok, MessageIcon::exclamation, 1});
        return;
    }
    last_replace_ = std::move(run.record);
    finish_replace(run.stopped, run.not_written, run.to_do, steps);
}

void SearchSession::finish_replace(bool stopped, std::size_t not_written, std::size_t to_do, Steps& steps) {
    auto closing_find = FindEnd::incomplete;
    steps.run([&] { closing_find = find_rows(); });
    if (pairs_.empty()) {
        steps.run([&] { record_recent_replacement(); });
    }
    // Every cell written: the plain text, unless the list Find made afterwards is
    // incomplete, in which case its own status stays to say so.
    if (stopped) {
        steps.run([&] { view_.set_status(with_options(texts::replace_stopped(last_replace_.entries.size(), to_do))); });
    } else if (!pairs_.empty()) {
        steps.run([&] {
            view_.set_status(with_options(texts::pairs_done(last_replace_.entries.size(), not_written, pairs_.size())));
        });
    } else if (not_written > 0 || closing_find == FindEnd::complete) {
        steps.run([&] { view_.set_status(with_options(texts::replace_status(not_written))); });
    }
    steps.run([&] { view_.set_pointer(MousePointer::standard); });
}

}  // namespace tarvex
