#pragma once
// The stand-in host's main window: a menu bar, the COM add-ins' buttons (when
// any add-in has one), a formula bar, the grid of the active sheet and the sheet
// tabs of the active workbook.
#include <windows.h>
// clang-format off: the common controls need windows.h first
#include <commctrl.h>
// clang-format on
#include <oaidl.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <type_traits>
#include <optional>
#include <string>
#include <vector>

#include "host/addin_loader_win.h"
#include "host/com_addins_win.h"
#include "host/grid_view_win.h"
#include "host/window_win.h"
#include "model/model.h"

namespace standin::host {

inline constexpr WORD command_open = 100;
inline constexpr WORD command_close_workbook = 101;
inline constexpr WORD command_exit = 102;
inline constexpr WORD command_open_tarvex = 200;
// One command per button of the COM add-ins' ribbons, in the order ComAddins lists them.
inline constexpr WORD command_first_addin_button = 3000;
inline constexpr WORD command_last_addin_button = 3099;
// One command per open workbook in the Window menu, in the order of Application::workbooks().
inline constexpr WORD command_first_workbook = 1000;
inline constexpr WORD command_last_workbook = 1999;

class HostWindow final : public Window {
public:
    explicit HostWindow(std::shared_ptr<Application> application);

    [[nodiscard]] bool create(int show_command);

    // Replaces the whole caption (the default names the active workbook).
    void set_title_override(std::u16string title) { title_override_ = std::move(title); }

    // Opens each file in turn; a file that fails is reported in a message box
    // naming it and the reason, and the rest are still opened.
    void open_files(const std::vector<std::u16string>& paths);

    // Brings the caption, menus, tabs, formula bar and grid up to date with the
    // model now, whether or not anything seems to have changed.
    void refresh();

    // Where Tarvex.dll is loaded from instead of the registered server (see AddinLoader).
    void set_tarvex_dll(std::u16string path) { tarvex_.set_dll_path(std::move(path)); }

    // Tools > Tarvex... and its accelerator: opens the Tarvex window on the active
    // workbook. A failure is shown in a message box, and its text returned.
    std::optional<std::u16string> on_open_tarvex();

    // Closes the window by itself after `milliseconds`, as if the user had.
    void close_after(UINT milliseconds);

    // Presses the add-in button with this label, as a click does; the reason
    // when there is no such button or its callback failed.
    std::optional<std::u16string> press_addin_button(const std::u16string& label);
    // What loading, clicking and unloading the COM add-ins did, one line each.
    const std::vector<std::u16string>& addin_log() const { return com_addins_.log(); }

    HACCEL accelerators() const { return accelerators_.get(); }

private:
    // What the window shows, reduced to what is cheap to compare: the model can
    // change under the window, and a timer compares this with the last one shown.
    struct Snapshot {
        const Workbook* workbook = nullptr;
        const Sheet* sheet = nullptr;
        std::vector<const Workbook*> workbooks;
        std::vector<std::u16string> sheet_names;
        CellPos selection;
        std::size_t cell_count = 0;
        std::u16string selected_formula;
        std::uint64_t visible_digest = 0;
        friend bool operator==(const Snapshot&, const Snapshot&) = default;
    };

    LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam) override;
    void place_on_screen(int* x, int* y, int* width, int* height) const;
    bool create_children();
    void build_menu();
    void layout_children();
    Snapshot take_snapshot() const;
    void refresh_if_changed();
    void apply(const Snapshot& now, bool force);
    void update_window_menu();
    void update_tabs();
    void update_formula_bar();
    void on_command(WORD id);
    void on_tab_changed();
    void show_open_dialog();
    void close_active_workbook();
    void load_com_addins();
    void create_addin_toolbar();

    std::shared_ptr<Application> application_;
    // The Application object every caller of the object model gets: one for the
    // host's life, as the real host has.
    Microsoft::WRL::ComPtr<IDispatch> application_object_;
    AddinLoader tarvex_;
    // Declared after the Application object: add-ins let go of it first.
    ComAddins com_addins_;
    HWND toolbar_ = nullptr;  // the add-ins' buttons; dies with this window
    struct ImageListDeleter {
        void operator()(HIMAGELIST list) const;
    };
    std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDeleter> toolbar_images_;
    std::u16string title_override_;
    int dpi_ = 96;
    int text_height_ = 16;
    UniqueFont font_;
    UniqueAccelerators accelerators_;
    HMENU window_menu_ = nullptr;  // owned by the menu bar
    HWND name_box_ = nullptr;      // child windows die with this one
    HWND formula_box_ = nullptr;
    HWND tabs_ = nullptr;
    GridView grid_;
    Snapshot shown_;
};

}  // namespace standin::host
