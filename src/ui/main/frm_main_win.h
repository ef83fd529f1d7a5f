#pragma once
// frmMain's window: it creates and places its controls as designed, and turns
// its messages into calls of the search session and of frmMain's sequences. The
// add-in builds the ports over its controls and the session, and links them in.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <optional>

#include "base/module_win.h"
#include "engine/search_session.h"
#include "ports/main_window.h"
#include "settings/registry_routines.h"
#include "ui/controls/row_tip_win.h"
#include "ui/controls/win_util_win.h"
#include "ui/controls/window_base_win.h"
#include "ui/main/frm_main.h"
#include "ui/main/layout.h"
#include "ui/main/main_design.h"
#include "ui/main/search_view_win.h"

namespace tarvex {

class FrmMain final : public MainWindowPort, private FrmMainPlatform, private WindowBase {
public:
    using Controls = std::array<HWND, main_design::controls.size()>;

    // What the window works with: the session and the ports over the window's
    // own controls.
    struct Links {
        SearchSession& session;
        SearchViewWin& view;
        ListColumns& columns;
        SettingsContext& settings;
    };

    FrmMain() = default;
    void link(const Links& links) { links_.emplace(links); }

    // The handles the ports hold: they change as the window is loaded and unloaded.
    Controls& controls() { return controls_; }
    HWND& window() { return hwnd_; }
    // The window's DPI, for the ports that convert twips.
    const Scale& scale() const { return scale_; }

    // Closes the window as Cancel does; nothing when it is not loaded.
    void unload();

    void Hide() override;
    void setmeup() override;
    void Show() override;
    void ZOrder() override;
    void SetFocus() override;

private:
    HWND control(int index) const { return controls_[static_cast<std::size_t>(index)]; }
    FrmMainParts parts();

    void load();
    void create_controls();
    void create_columns();
    void create_tooltips();
    void apply_fonts();
    void place_all();
    void clip_labels();
    void place(int index, const Geometry& g);
    void on_size();
    LRESULT on_create();
    void on_destroyed();
    LRESULT on_notify(NMHDR* header);
    void on_command(int id);
    bool on_context_menu(HWND target, LPARAM at);
    bool on_list_key(WPARAM key);
    static LRESULT CALLBACK list_proc(HWND list, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                      DWORD_PTR self);
    // What only the window can do, when the unload sequence asks for it.
    void unload_about_box() override;
    void close_context_help() override;
    void destroy() override { destroy_window(); }
    LRESULT window_proc(UINT message, WPARAM wparam, LPARAM lparam) override;

    Controls controls_{};
    HWND tooltip_ = nullptr;
    RowTip row_tip_;
    Scale scale_;
    UniqueFont font_;
    WindowIcons icons_;
    MainLayout layout_;  // the controls' twip geometry, as the layout rule left it
    std::optional<module::Lock> lock_;
    std::optional<Links> links_;
};

}  // namespace tarvex
