#pragma once
// One Tarvex window's work: the host and the workbook it works on, the rows of
// the result list, and the record of the last replace. Find, Replace, Replace
// All, Undo Replace, Go to, sorting and the list's own commands are its
// operations; it reaches the window only through the view port and the host
// only through the host ports, so it runs the same in the DLL and in native
// tests.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/cell_write.h"
#include "engine/list_commands.h"
#include "engine/pattern.h"
#include "engine/result_list.h"
#include "engine/search_options.h"
#include "engine/undo.h"
#include "ports/controls.h"
#include "ports/host.h"
#include "ports/search_view.h"
#include "base/steps.h"
#include "settings/registry_routines.h"

namespace tarvex {

enum class RowFilter { ticked, all };
enum class PairSource { file, clipboard };
struct SheetSearch;
enum class WalkEnd;

class SearchSession {
public:
    SearchSession(SearchView& view, SettingsContext& settings, SortKeyFunction sort_key = folded_sort_key);
    SearchSession(const SearchSession&) = delete;
    SearchSession& operator=(const SearchSession&) = delete;

    // Search's two module-level values: the host's Application, and the workbook
    // active when Search was called (the target workbook), which Replace and Go
    // to address. Each Search replaces both.
    void attach(std::shared_ptr<HostApplication> application);
    const std::shared_ptr<HostApplication>& application() const { return application_; }
    const std::shared_ptr<HostWorkbook>& target_workbook() const { return target_; }
    // The host objects the session holds, handed over: a host that disconnects
    // gets them all back (the undo record's workbook too), and a process that
    // ends abandons them rather than release them into a host already gone.
    struct HostObjects {
        std::shared_ptr<HostApplication> application;
        std::shared_ptr<HostWorkbook> target;
        std::vector<std::shared_ptr<HostWorkbook>> listed;
        std::vector<std::shared_ptr<HostWorkbook>> undo_workbooks;
    };
    HostObjects release_host();

    // The search options: read from the user's settings when the window is
    // prepared, stored when the user changes them, used from the next Find on.
    const SearchOptions& options() const { return options_; }
    void set_options(const SearchOptions& options);
    void load_options();

    ResultList& rows() { return rows_; }
    const ResultList& rows() const { return rows_; }
    const UndoRecord& last_replace() const { return last_replace_; }

    // Lists every cell of every worksheet of the host's active workbook that
    // matches the search text, and makes that workbook the target.
    void cmdFind_Click();
    // Replace (ticked rows) and Replace All (every row): writes each row's cell
    // in the target workbook, then runs Find again.
    void cmdReplace_Click() { replace_rows(RowFilter::ticked); }
    void cmdReplaceAll_Click() { replace_rows(RowFilter::all); }
    void replace_rows(RowFilter filter);
    // Writes back what the last Replace or Replace All wrote over, in every cell
    // that still holds what it wrote; a cell changed since is left alone and
    // named in a message. Then runs Find again. Nothing happens when there is
    // nothing to undo.
    void undo_replace();
    bool can_undo_replace() const { return !last_replace_.empty(); }
    // Shows the selected row's cell in the host: activates its sheet, selects the cell.
    void lvwMain_DblClick();
    // A double-click goes to a cell only when it hit a row (`hit_row` >= 0).
    void double_click_at(int hit_row);
    // A click on the header with 1-based index `header`: sorts by that column,
    // or reverses the order, then stores the column layout.
    void lvwMain_ColumnClick(ListColumns& columns, int header);

    // Replace from a list of find/replace pairs, read from a file the user names
    // or from the clipboard: every hit of every pair is listed; Replace All then
    // applies the pairs in order, each to what the pairs before it left, and one
    // Undo Replace takes the whole run back. A list that cannot be used is named
    // in a message and changes nothing. The list stays in force until Find.
    void replace_from_list(PairSource source);
    std::size_t pair_count() const { return pairs_.size(); }

    // The list's menu and keys.
    list_menu::State list_state() const;
    void run_list_command(list_menu::Command command);
    // A key pressed in the list; true when it was one of the list's own.
    bool list_key(int key, bool ctrl, bool alt);
    // The tick box of row `hit_row` was clicked (or the row elsewhere).
    void tick_box_clicked(int hit_row, bool on_tick_box);

    // The window was unloaded: its rows go, and so does the undo record, which
    // covers one window's life.
    void window_unloaded();

    // The tip of a row: the cell's formula now, read from the host, and what
    // Replace would write into it with the texts and options the window holds
    // now. Empty while a command runs (the host is busy with it) and for a row
    // that does not exist.
    std::u16string preview(std::size_t row);

private:
    enum class FindEnd { complete, incomplete };
    // Set while a command runs.
    class Busy {
    public:
        explicit Busy(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
        ~Busy() { flag_ = was_; }
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        bool& flag_;
        bool was_;
    };

    FindEnd find_rows();
    // One search per pair of a list in force, else one for the search box;
    // false, having said why where there is something to say, for none.
    bool plan_searches(std::vector<SheetSearch>& searches, std::vector<std::optional<Pattern>>& patterns);
    WalkEnd search_books(std::vector<SheetSearch>& searches, Steps& steps,
                         std::vector<std::shared_ptr<HostWorkbook>>& books, std::vector<ResultRow>& found);
    WalkEnd search_sheets(HostWorkbook& book, SheetSearch& search, Steps& steps, std::vector<ResultRow>& found);
    // The workbooks Find searches, in the host's order, with their names.
    std::vector<std::shared_ptr<HostWorkbook>> searched_books(const std::shared_ptr<HostWorkbook>& active,
                                                              std::vector<std::u16string>& names);
    void mark_books(const std::vector<std::u16string>& names, std::vector<ResultRow>& found);
    // Compiles the search text as a pattern with the options; false, having said
    // why, when it is not one.
    bool compile_pattern(const std::u16string& what, std::optional<Pattern>& pattern);
    // The texts and options the replace commands and the preview work with: the
    // boxes' texts, or the list of pairs in force. nullopt when the search text
    // is not a valid pattern (said in a message when `tell_why`).
    std::optional<ReplaceTexts> replace_texts(bool tell_why);
    // After the cells are written: Find again, the replacement recorded, the status.
    void finish_replace(bool stopped, std::size_t not_written, std::size_t to_do, Steps& steps);
    // The status text, with the options that differ from the defaults after it.
    std::u16string with_options(const std::u16string& status) const;
    void list_rows(const std::shared_ptr<HostWorkbook>& book, std::vector<ResultRow> rows);
    void list_rows(std::vector<std::shared_ptr<HostWorkbook>> books, std::vector<ResultRow> rows);
    // The workbook a row's cell is in.
    std::shared_ptr<HostWorkbook> book_of(const ResultRow& row) const;
    void record_recent_search();
    void record_recent_replacement();
    void show_refusal();
    void tell(const std::u16string& text);
    void copy_rows(bool as_references);
    // The list's text, or nullopt having said why there is none.
    std::optional<std::u16string> pair_list_text(PairSource source);
    // The pairs as rules, or nullopt having said why they cannot be used.
    std::optional<std::vector<ReplaceRule>> pair_rules(const std::u16string& text);
    void export_rows();

    SearchView& view_;
    SettingsContext& settings_;
    ResultList rows_;
    std::shared_ptr<HostApplication> application_;
    std::shared_ptr<HostWorkbook> target_;
    // The workbooks of the listed rows; a row's `book` indexes them.
    std::vector<std::shared_ptr<HostWorkbook>> books_;
    // What the last Replace or Replace All wrote, for Undo Replace.
    UndoRecord last_replace_;
    SearchOptions options_;
    // The list of find/replace pairs in force, from its first line on; empty
    // when the boxes' texts are.
    std::vector<ReplaceRule> pairs_;
    bool busy_ = false;
};

}  // namespace tarvex
