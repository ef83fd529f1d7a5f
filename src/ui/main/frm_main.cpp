#include "ui/main/frm_main.h"

#include "settings/column_layout.h"
#include "settings/recent_lists.h"

namespace tarvex {

void setmeup(FrmMainParts& form, SearchSession& session) {
    form.cmbSearchFor.clear();
    GetSearchMRU(form.settings, form.cmbSearchFor);
    GetReplaceMRU(form.settings, form.cmbReplace);
    GetColumnInfo(form.settings, form.lvwMain_columns);
    session.load_options();
}

void run_unload_steps(SearchSession& session) {
    const auto application = session.application();
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

void unload_form(FrmMainParts& form, SearchSession& session) {
    SaveColumnInfo(form.settings, form.lvwMain_columns);
    form.platform.unload_about_box();
    run_unload_steps(session);
    form.platform.close_context_help();
    form.platform.destroy();
    // Undo Replace covers the window's life: a new window starts with nothing
    // to undo, and with no rows.
    session.window_unloaded();
}

void CommandButton2_Click(FrmMainParts& form, SearchSession& session) {
    SaveColumnInfo(form.settings, form.lvwMain_columns);
    unload_form(form, session);
}

}  // namespace tarvex
