#include "ui/main/search_view_win.h"

#include <commdlg.h>

#include "base/owners_win.h"
#include "base/platform_win.h"
#include "engine/command_texts.h"
#include "ui/controls/clipboard_win.h"

namespace tarvex {

namespace design = main_design;

SearchViewWin::SearchViewWin(std::array<HWND, design::controls.size()>& controls, HWND& window, MessageBoxes& messages,
                             const ResultList& rows)
    : window_(window),
      messages_(messages),
      search_(controls[design::cmbSearchFor]),
      replace_(controls[design::cmbReplace]),
      entire_cell_(controls[design::chkEntireCellContent]),
      status_(controls[design::StatusBar1], {design::status_panel_key}),
      progress_(status_, design::status_panel_key, window),
      list_(controls[design::lvwMain], rows) {}

void SearchViewWin::set_status(const std::u16string& text) {
    status_.set_text(design::status_panel_key, text);
}

bool SearchViewWin::put_on_clipboard(const std::u16string& text, const std::string& csv) {
    return csv.empty() ? tarvex::put_on_clipboard(window_, text) : tarvex::put_on_clipboard(window_, text, csv);
}

std::optional<std::u16string> SearchViewWin::choose_export_file() {
    wchar_t path[MAX_PATH] = {};
    ::lstrcpynW(path, wide(command_texts::export_file_name), MAX_PATH);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = wide(command_texts::export_file_types);
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = wide(command_texts::export_title);
    dialog.lpstrDefExt = wide(command_texts::export_extension);
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    if (!::GetSaveFileNameW(&dialog)) {
        return std::nullopt;
    }
    return from_wide(path);
}

bool SearchViewWin::write_file(const std::u16string& path, const std::string& bytes) {
    const UniqueKernelHandle file(
        ::CreateFileW(wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.get() != INVALID_HANDLE_VALUE &&
           ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace tarvex
