#include "addin/addin_module_win.h"

#include <new>

#include "settings/registry_win.h"
#include "ui/controls/controls_win.h"
#include "ui/controls/list_view_win.h"
#include "ui/controls/sort_key_win.h"
#include "ui/main/frm_main_win.h"
#include "ui/main/main_design.h"
#include "ui/main/search_view_win.h"

namespace tarvex {
namespace {

namespace design = main_design;

std::vector<ColumnDesign> column_designs() {
    std::vector<ColumnDesign> columns;
    for (const design::Column& column : design::columns) {
        columns.push_back(ColumnDesign{column.key, column.caption});
    }
    return columns;
}

// The adapters hold the window's handles by reference: those change as the
// window is loaded and unloaded, the adapters stay. The session is built before
// its view, which it only keeps a reference to until a command runs.
struct AddinModule {
    AddinModule() { window.link(FrmMain::Links{session, view, columns, settings}); }

    FrmMain window;
    RegistryWin registry;
    MessageBoxesWin messages{window.window()};
    SettingsContext settings{registry, messages};
    SearchSession session{view, settings, locale_sort_key};
    SearchViewWin view{window.controls(), window.window(), messages, session.rows()};
    ListColumnsWin columns{window.controls()[design::lvwMain], window.scale(), u"frmMain", u"lvwMain",
                           column_designs()};
};

// Set once the state exists: a process that ends before Tarvex was ever used
// has nothing to abandon, and nothing must be built while it ends.
AddinModule* existing = nullptr;

AddinModule& module_state() {
    static AddinModule state;
    existing = &state;
    return state;
}

}  // namespace

SearchSession& search_session() {
    return module_state().session;
}

MainWindowPort& main_window() {
    return module_state().window;
}

void unload_main_window() {
    module_state().window.unload();
}

void disconnect_host() {
    try {
        unload_main_window();
    } catch (...) {
        // The references below go in any case.
    }
    search_session().release_host();
}

void abandon_host_objects() noexcept {
    if (existing == nullptr) {
        return;
    }
    try {
        auto* abandoned = new (std::nothrow) SearchSession::HostObjects(existing->session.release_host());
        (void)abandoned;
    } catch (...) {
        // Nothing more can be done for a process that is ending.
    }
}

}  // namespace tarvex
