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

namespace {

// The common file dialog, to save a file (asking before one is overwritten) or
// to open one that exists; nullopt when the user cancels.
std::optional<std::u16string> choose_file(HWND owner, bool save, const char16_t* types, const char16_t* title,
                                          const char16_t* suggested, const char16_t* extension) {
    wchar_t path[MAX_PATH] = {};
    if (suggested != nullptr) {
        ::lstrcpynW(path, wide(suggested), MAX_PATH);
    }
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = wide(types);
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = wide(title);
    dialog.lpstrDefExt = extension != nullptr ? wide(extension) : nullptr;
    dialog.Flags =
        OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (!(save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog))) {
        return std::nullopt;
    }
    return from_wide(path);
}

}  // namespace

std::optional<std::u16string> SearchViewWin::choose_export_file() {
    return choose_file(window_, true, command_texts::export_file_types, command_texts::export_title,
                       command_texts::export_file_name, command_texts::export_extension);
}

std::optional<std::u16string> SearchViewWin::choose_pairs_file() {
    return choose_file(window_, false, command_texts::pairs_file_types, command_texts::pairs_file_title, nullptr,
                       nullptr);
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
