#pragma once
// frmMain's sequences and input rules, decided here without the platform: the
// window's adapter only turns messages into these calls, and native tests run
// them against in-memory controls.
#include "engine/search_session.h"
#include "ports/controls.h"
#include "ports/main_window.h"
#include "settings/registry_routines.h"
#include "ui/main/main_design.h"

namespace tarvex {

// The parts of frmMain the sequences touch.
struct FrmMainParts {
    ComboBox& cmbSearchFor;
    ComboBox& cmbReplace;
    ListColumns& lvwMain_columns;
    SettingsContext& settings;
    FrmMainPlatform& platform;
};

// Preparing the window for a Search: the search box starts empty, both boxes
// offer their recent texts, the list's columns come back as the user left them,
// and so do the search options.
void setmeup(FrmMainParts& form, SearchSession& session);

// The steps of unloading the window before it is destroyed: the host's active
// workbook (not necessarily the target workbook) is activated, which hands the
// focus back to the host. The window closes whatever happens here, so a host
// without a workbook, or one that fails the call, is passed over.
void run_unload_steps(SearchSession& session);

// Unloading: the column layout is saved while the list still exists, an open
// About box closes with the main window, the host gets the focus back, then the
// window goes, and its rows and the undo record with it.
void unload_form(FrmMainParts& form, SearchSession& session);

// The Cancel button (and Esc): saves the column layout, then unloads.
void CommandButton2_Click(FrmMainParts& form, SearchSession& session);

// Enter anywhere in the window, the combo boxes included, presses Find; Esc
// presses Cancel.
inline constexpr int enter_presses = main_design::cmdFind;
inline constexpr int esc_presses = main_design::CommandButton2;

}  // namespace tarvex
