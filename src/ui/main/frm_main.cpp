#include "ui/main/frm_main.h"

#include "settings/column_layout.h"
#include "settings/recent_lists.h"

namespace tarvex {

void setmeup(FrmMainParts& form) {
    form.cmbSearchFor.clear();
    GetSearchMRU(form.settings, form.cmbSearchFor);
    GetReplaceMRU(form.settings, form.cmbReplace);
    GetColumnInfo(form.settings, form.lvwMain_columns);
}

void run_unload_steps(AddinGlobals& globals) {
    const auto application = globals.application;
    if (!application) {
        return;
    }
    try {
        if (const auto book = application->active_workbook()) {
            book->activate();
        }
    } catch (const HostError&) {
        // The window must close in any case.
    }
}

void unload_form(FrmMainParts& form, AddinGlobals& globals) {
    SaveColumnInfo(form.settings, form.lvwMain_columns);
    form.platform.unload_about_box();
    run_unload_steps(globals);
    // Undo Replace covers the window's life: a new window starts with nothing to undo.
    globals.last_replace = UndoRecord{};
    form.platform.close_context_help();
    form.platform.destroy();
}

void CommandButton2_Click(FrmMainParts& form, AddinGlobals& globals) {
    SaveColumnInfo(form.settings, form.lvwMain_columns);
    unload_form(form, globals);
}

void lvwMain_double_click_at(MainWindowControls& window, AddinGlobals& globals, int hit_row) {
    if (hit_row >= 0) {
        lvwMain_DblClick(window, globals);
    }
}

}  // namespace tarvex
