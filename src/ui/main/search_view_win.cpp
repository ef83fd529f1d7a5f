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

std::optional<std::u16string> SearchViewWin::choose_pairs_file() {
    wchar_t path[MAX_PATH] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = wide(command_texts::pairs_file_types);
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = wide(command_texts::pairs_file_title);
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    if (!::GetOpenFileNameW(&dialog)) {
        return std::nullopt;
    }
    return from_wide(path);
}

std::optional<std::string> SearchViewWin::read_file(const std::u16string& path) {
    // A list of pairs is small; a file far larger than any is refused rather
    // than read into memory.
    constexpr LONGLONG largest = 64LL * 1024 * 1024;
    const UniqueKernelHandle file(::CreateFileW(wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (file.get() == INVALID_HANDLE_VALUE || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > largest) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                           got != bytes.size())) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::u16string> SearchViewWin::clipboard_text() {
    return tarvex::clipboard_text(window_);
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
