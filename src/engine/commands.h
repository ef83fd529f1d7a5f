#pragma once
// The main window's commands: Find, Replace, Replace All and Go to a result,
// written against the host and control ports so that they run the same in the
// DLL and in native tests.
#include "engine/result_list.h"
#include "engine/session.h"
#include "settings/registry_routines.h"
#include "ports/controls.h"

namespace tarvex {

// What the commands touch on the main window.
struct MainWindowControls {
    ComboBox& cmbSearchFor;
    ComboBox& cmbReplace;
    CheckBox& chkEntireCellContent;
    StatusBar& StatusBar1;
    ResultListView& lvwMain;
    Screen& screen;
    MessageBoxes& messages;
    SettingsContext& settings;
    CommandProgress& progress;
};

// Lists every cell of every worksheet of the host's active workbook that matches
// the search text, and makes that workbook the target of the commands below.
void cmdFind_Click(MainWindowControls& window, AddinGlobals& globals);

enum class RowFilter { ticked, all };

// Replace (ticked rows) and Replace All (every row): writes each row's cell in the
// target workbook, then runs Find again.
void replace_rows(MainWindowControls& window, AddinGlobals& globals, RowFilter filter);
inline void cmdReplace_Click(MainWindowControls& window, AddinGlobals& globals) {
    replace_rows(window, globals, RowFilter::ticked);
}
inline void cmdReplaceAll_Click(MainWindowControls& window, AddinGlobals& globals) {
    replace_rows(window, globals, RowFilter::all);
}

// Undo Replace: writes back what the last Replace or Replace All wrote over, in
// every cell that still holds what it wrote; a cell changed since is left alone
// and named in a message. Then runs Find again. Nothing happens when there is
// nothing to undo.
void undo_replace(MainWindowControls& window, AddinGlobals& globals);
bool can_undo_replace(const AddinGlobals& globals);

// Shows the selected row's cell in the host: activates its sheet, selects the cell.
void lvwMain_DblClick(MainWindowControls& window, AddinGlobals& globals);

// The texts the commands show.
namespace command_texts {
inline constexpr char16_t status_key[] = u"Status";
inline constexpr char16_t searching[] = u"Searching ...";
inline constexpr char16_t replacing[] = u"Replacing ...";
inline constexpr char16_t find_refused[] = u"Done..";
inline constexpr char16_t replace_done[] = u"Done ...";
inline constexpr char16_t undoing[] = u"Undoing ...";
inline constexpr char16_t message_title[] = u"Tarvex";
inline constexpr char16_t refusal[] =
    u"Can not search the current spread sheet.\r\n"
    u"If you are currently editing any cells finish making changes and commit them please.";
inline constexpr char16_t clear_question[] =
    u"This action can not be undone.\r\nAre you sure you want to clear the content of the selected Cells?";
}  // namespace command_texts

}  // namespace tarvex
