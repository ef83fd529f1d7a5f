#include "engine/search_session.h"

#include <utility>

#include "base/text.h"
#include "engine/command_texts.h"
#include "engine/list_text.h"
#include "engine/sorting.h"
#include "settings/column_layout.h"
#include "settings/recent_lists.h"

namespace tarvex {
namespace {

namespace texts = command_texts;

// Records the box's text in its recent list and refills the box's drop-down,
// which empties the box, so the text is put back afterwards.
void record_recent(SettingsContext& settings, const RecentList& list, ComboBox& combo) {
    const std::u16string text = combo.text();
    add_recent(settings, list, combo);
    fill_recent(settings, list, combo);
    combo.set_text(text);
}

}  // namespace

SearchSession::SearchSession(SearchView& view, SettingsContext& settings, SortKeyFunction sort_key)
    : view_(view), settings_(settings), rows_(std::move(sort_key)) {}

void SearchSession::attach(std::shared_ptr<HostApplication> application) {
    application_ = std::move(application);
    target_ = application_ ? application_->active_workbook() : nullptr;
    // Rows listed before stay with the workbooks they were found in; without
    // any, the target is where the commands work.
    if (rows_.empty()) {
        books_ = {target_};
    }
}

SearchSession::HostObjects SearchSession::release_host() {
    HostObjects objects{std::move(application_), std::move(target_), std::move(books_),
                        std::move(last_replace_.workbooks)};
    application_.reset();
    target_.reset();
    books_.clear();
    last_replace_ = UndoRecord{};
    return objects;
}

void SearchSession::set_options(const SearchOptions& options) {
    options_ = options;
    save_search_options(settings_, options_);
}

void SearchSession::load_options() {
    options_ = load_search_options(settings_);
}

void SearchSession::window_unloaded() {
    rows_.clear();
    books_.clear();
    last_replace_ = UndoRecord{};
}

// The list now shows these rows of this workbook, so Replace and Go to must
// address this workbook and no other. The view hears of the change once: nothing
// is painted while a command runs.
void SearchSession::list_rows(const std::shared_ptr<HostWorkbook>& book, std::vector<ResultRow> rows) {
    target_ = book;
    list_rows(std::vector<std::shared_ptr<HostWorkbook>>{book}, std::move(rows));
}

void SearchSession::list_rows(std::vector<std::shared_ptr<HostWorkbook>> books, std::vector<ResultRow> rows) {
    books_ = std::move(books);
    rows_.clear();
    rows_.append(std::move(rows));
    view_.rows_changed();
}

std::shared_ptr<HostWorkbook> SearchSession::book_of(const ResultRow& row) const {
    return row.book < books_.size() ? books_[row.book] : target_;
}

void SearchSession::record_recent_search() {
    record_recent(settings_, recent_searches, view_.search_box());
}

void SearchSession::record_recent_replacement() {
    record_recent(settings_, recent_replacements, view_.replace_box());
}

void SearchSession::show_refusal() {
    view_.show_message(MessageRequest{texts::refusal, u"", MessageButtons::ok, MessageIcon::none, 1});
}

void SearchSession::tell(const std::u16string& text) {
    view_.show_message(MessageRequest{text, texts::message_title, MessageButtons::ok, MessageIcon::exclamation, 1});
}

void SearchSession::lvwMain_DblClick() {
    const std::optional<std::size_t> selected = view_.selected_row();
    if (!selected || *selected >= rows_.size()) {
        return;
    }
    const ResultRow row = rows_.row(*selected);
    try {
        const std::shared_ptr<HostWorkbook> book = book_of(row);
        if (!book) {
            throw object_not_set_error(tarvex_source);
        }
        // A cell of another workbook than the one the window works on: its
        // window comes to the front first.
        if (book != target_) {
            book->activate();
        }
        book->sheet(row.sheet)->activate();
        // A sheet that cannot be activated is not searched for its cell: the
        // command ends without any further effect on the workbook.
        book->sheet(row.sheet)->range(row.address)->select();
    } catch (...) {
        const Failure failure = current_failure();
        view_.show_message(MessageRequest{failure.description, u"", MessageButtons::ok, MessageIcon::exclamation, 1});
    }
}

void SearchSession::double_click_at(int hit_row) {
    if (hit_row >= 0) {
        lvwMain_DblClick();
    }
}

void SearchSession::lvwMain_ColumnClick(ListColumns& columns, int header) {
    SortListView(settings_.messages, rows_, columns, header);
    view_.rows_changed();
    SaveColumnInfo(settings_, columns);
}

void SearchSession::tick_box_clicked(int hit_row, bool on_tick_box) {
    if (click_tick_box(rows_, hit_row, on_tick_box)) {
        view_.ticks_changed();
    }
}

list_menu::State SearchSession::list_state() const {
    return list_menu::State{rows_.size(), view_.selected_rows().size(), can_undo_replace()};
}

bool SearchSession::list_key(int key, bool ctrl, bool alt) {
    const std::optional<list_menu::Command> command = list_menu::command_for_key(key, ctrl, alt);
    if (!command) {
        return false;
    }
    run_list_command(*command);
    return true;
}

void SearchSession::run_list_command(list_menu::Command command) {
    using list_menu::Command;
    switch (command) {
        case Command::go_to:
            lvwMain_DblClick();
            break;
        case Command::tick_selected:
        case Command::untick_selected:
            if (list_menu::set_ticks(rows_, view_.selected_rows(), command == Command::tick_selected)) {
                view_.ticks_changed();
            }
            break;
        case Command::tick_all:
        case Command::untick_all:
            if (list_menu::set_all_ticks(rows_, command == Command::tick_all)) {
                view_.ticks_changed();
            }
            break;
        case Command::toggle_selected:
            if (press_space_bar(rows_, view_.focused_row(), view_.selected_rows())) {
                view_.ticks_changed();
            }
            break;
        case Command::select_all:
            view_.select_all_rows();
            break;
        case Command::copy:
        case Command::copy_references:
            copy_rows(command == Command::copy_references);
            break;
        case Command::export_list:
            export_rows();
            break;
        case Command::undo_replace:
            undo_replace();
            break;
        case Command::separator:
            break;
    }
}

void SearchSession::copy_rows(bool as_references) {
    const std::vector<ResultRow> rows = list_menu::rows_to_copy(rows_, view_.selected_rows());
    const bool copied = as_references ? view_.put_on_clipboard(list_text::references(rows), {})
                                      : view_.put_on_clipboard(list_text::tab_separated(rows),
                                                               utf16_to_utf8(list_text::comma_separated(rows, true)));
    if (!copied) {
        tell(texts::clipboard_busy);
    }
}

void SearchSession::export_rows() {
    const std::optional<std::u16string> path = view_.choose_export_file();
    if (!path) {
        return;  // cancelled
    }
    if (!view_.write_file(*path, list_text::export_file(list_menu::rows_to_export(rows_)))) {
        tell(texts::export_failed(*path));
    }
}

}  // namespace tarvex
