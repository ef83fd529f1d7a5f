#pragma once
// The search session's view of frmMain: the ports over the window's own
// controls, the clipboard and the export file. Translations only; what to show
// and when is the session's.
#include <windows.h>

#include <array>

#include "engine/result_list.h"
#include "ports/search_view.h"
#include "ui/controls/controls_win.h"
#include "ui/controls/list_view_win.h"
#include "ui/controls/progress_win.h"
#include "ui/main/main_design.h"

namespace tarvex {

class SearchViewWin final : public SearchView {
public:
    // `controls` and `window` are the window's handles, which change as the
    // window is loaded and unloaded; `rows` are the session's.
    SearchViewWin(std::array<HWND, main_design::controls.size()>& controls, HWND& window, MessageBoxes& messages,
                  const ResultList& rows);

    ComboBox& search_box() override { return search_; }
    ComboBox& replace_box() override { return replace_; }
    bool entire_cell_content() const override { return entire_cell_.value() == 1; }
    void set_status(const std::u16string& text) override;
    void set_pointer(MousePointer pointer) override { screen_.set_mouse_pointer(pointer); }
    MessageAnswer show_message(const MessageRequest& request) override { return messages_.show(request); }
    CommandProgress& progress() override { return progress_; }

    void rows_changed() override { list_.rows_changed(); }
    void ticks_changed() override { list_.repaint(); }
    std::optional<std::size_t> selected_row() const override { return list_.selected_row(); }
    std::vector<std::size_t> selected_rows() const override { return list_.selected_rows(); }
    std::optional<std::size_t> focused_row() const override { return list_.focused_row(); }
    void select_all_rows() override { list_.select_all(); }

    bool put_on_clipboard(const std::u16string& text, const std::string& csv) override;
    std::optional<std::u16string> choose_export_file() override;
    bool write_file(const std::u16string& path, const std::string& bytes) override;
    std::optional<std::u16string> choose_pairs_file() override;
    std::optional<std::string> read_file(const std::u16string& path) override;
    std::optional<std::u16string> clipboard_text() override;

    // For the window's own notifications.
    ResultListViewWin& list() { return list_; }

private:
    HWND& window_;
    MessageBoxes& messages_;
    ComboBoxWin search_;
    ComboBoxWin replace_;
    CheckBoxWin entire_cell_;
    StatusBarWin status_;
    ScreenWin screen_;
    CommandProgressWin progress_;
    ResultListViewWin list_;
};

}  // namespace tarvex
