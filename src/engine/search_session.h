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

#include "engine/list_commands.h"
#include "engine/result_list.h"
#include "engine/undo.h"
#include "ports/controls.h"
#include "ports/host.h"
#include "ports/search_view.h"
#include "settings/registry_routines.h"

namespace tarvex {

enum class RowFilter { ticked, all };

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
        std::shared_ptr<HostWorkbook> undo_workbook;
    };
    HostObjects release_host();

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

private:
    enum class FindEnd { complete, incomplete };
    FindEnd find_rows();
    void list_rows(const std::shared_ptr<HostWorkbook>& book, std::vector<ResultRow> rows);
    void record_recent_search();
    void record_recent_replacement();
    void show_refusal();
    void tell(const std::u16string& text);
    void copy_rows(bool as_references);
    void export_rows();

    SearchView& view_;
    SettingsContext& settings_;
    ResultList rows_;
    std::shared_ptr<HostApplication> application_;
    std::shared_ptr<HostWorkbook> target_;
    // What the last Replace or Replace All wrote, for Undo Replace.
    UndoRecord last_replace_;
};

}  // namespace tarvex
