#pragma once
// frmMain's sequences and input rules, decided here without the platform: the
// window's adapter only turns messages into these calls, and native tests run
// them against in-memory controls.
#include "engine/commands.h"
#include "engine/session.h"
#include "ports/controls.h"
#include "settings/registry_routines.h"

namespace tarvex {

// What only the window itself can do, in the order the sequences below decide.
class FrmMainPlatform {
public:
    virtual ~FrmMainPlatform() = default;
    virtual void unload_about_box() = 0;
    virtual void close_context_help() = 0;
    // Destroys the window and its controls.
    virtual void destroy() = 0;
};

// The parts of frmMain the sequences touch.
struct FrmMainParts {
    ComboBox& cmbSearchFor;
    ComboBox& cmbReplace;
    ListColumns& lvwMain_columns;
    SettingsContext& settings;
    FrmMainPlatform& platform;
};

// Preparing the window for a Search: the search box starts empty, both boxes
// offer their recent texts, and the list's columns come back as the user left
// them.
void setmeup(FrmMainParts& form);

// The steps of unloading the window before it is destroyed: the host's active
// workbook (not necessarily the target workbook) is activated, which hands the
// focus back to the host. The window closes whatever happens here, so a host
// without a workbook, or one that fails the call, is passed over.
void run_unload_steps(AddinGlobals& globals);

// Unloading: the column layout is saved while the list still exists, an open
// About box closes with the main window, the host gets the focus back, then the
// window goes.
void unload_form(FrmMainParts& form, AddinGlobals& globals);

// The Cancel button (and Esc): saves the column layout, then unloads.
void CommandButton2_Click(FrmMainParts& form, AddinGlobals& globals);

// A double-click on the list goes to a cell only when it hit a row: one on the
// empty part of the list, or on a header, does nothing. `hit_row` is the row
// under the pointer, negative for none.
void lvwMain_double_click_at(MainWindowControls& window, AddinGlobals& globals, int hit_row);

}  // namespace tarvex
