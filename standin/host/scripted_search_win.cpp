#include "host/scripted_search_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "host/window_win.h"
#include "ui/main/frm_main_ids.h"

namespace standin::host {
namespace {

// The window's class and its controls' identifiers come from the add-in itself,
// which keeps them stable for tools that drive it.
namespace ids = tarvex::frm_main_ids;
namespace design = tarvex::main_design;
const wchar_t* const tarvex_class_name = ids::window_class;
const wchar_t tarvex_class_prefix[] = L"Tarvex.";
constexpr int search_box_id = ids::control_id(design::cmbSearchFor);
constexpr int find_button_id = ids::control_id(design::cmdFind);
constexpr int result_list_id = ids::control_id(design::lvwMain);
constexpr int status_bar_id = ids::control_id(design::StatusBar1);

// A cell may hold a text of any length; a line of output holds the first mebibyte.
constexpr std::size_t longest_text = 1 << 20;

BOOL CALLBACK find_tarvex(HWND window, LPARAM found) {
    wchar_t class_name[64] = {};
    if (::GetClassNameW(window, class_name, static_cast<int>(std::size(class_name))) > 0 &&
        ::lstrcmpW(class_name, tarvex_class_name) == 0 && ::IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

std::u16string escaped(const std::u16string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        switch (c) {
            case u'\\':
                out += u"\\\\";
                break;
            case u'\t':
                out += u"\\t";
                break;
            case u'\n':
                out += u"\\n";
                break;
            case u'\r':
                out += u"\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::u16string item_text(HWND list, int item, int sub_item) {
    std::u16string buffer(256, u'\0');
    for (;;) {
        LVITEMW request{};
        request.iSubItem = sub_item;
        request.pszText = reinterpret_cast<wchar_t*>(buffer.data());
        request.cchTextMax = static_cast<int>(buffer.size());
        const auto length = static_cast<std::size_t>(
            ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&request)));
        // A text that filled the buffer may have been cut: ask again with more room.
        if (length + 1 < buffer.size() || buffer.size() >= longest_text) {
            buffer.resize(std::min(length, buffer.size() - 1));
            return buffer;
        }
        buffer.assign(buffer.size() * 2, u'\0');
    }
}

std::u16string status_text(HWND status_bar) {
    const auto length = static_cast<std::size_t>(LOWORD(::SendMessageW(status_bar, SB_GETTEXTLENGTHW, 0, 0)));
    std::u16string text(length + 1, u'\0');
    ::SendMessageW(status_bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::min(length, static_cast<std::size_t>(std::char_traits<char16_t>::length(text.c_str()))));
    return text;
}

std::string to_utf8(const std::u16string& text) {
    if (text.empty()) {
        return {};
    }
    const auto* source = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    const int needed = ::WideCharToMultiByte(CP_UTF8, 0, source, size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(std::max(needed, 0)), '\0');
    if (needed > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, source, size, out.data(), needed, nullptr, nullptr);
    }
    return out;
}

}  // namespace

bool is_tarvex_window(HWND window) {
    wchar_t class_name[64] = {};
    const int length = ::GetClassNameW(window, class_name, static_cast<int>(std::size(class_name)));
    const int prefix_length = static_cast<int>(std::size(tarvex_class_prefix)) - 1;
    return length >= prefix_length && std::wmemcmp(class_name, tarvex_class_prefix, prefix_length) == 0;
}

HWND find_tarvex_window() {
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), find_tarvex, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<std::u16string> run_scripted_search(HWND tarvex, const std::u16string& text) {
    const HWND search_box = ::GetDlgItem(tarvex, search_box_id);
    const HWND find_button = ::GetDlgItem(tarvex, find_button_id);
    const HWND list = ::GetDlgItem(tarvex, result_list_id);
    const HWND status_bar = ::GetDlgItem(tarvex, status_bar_id);
    if (!search_box || !find_button || !list || !status_bar) {
        return {u"status: the Tarvex window lacks its search box, Find button, result list or status bar."};
    }
    ::SetWindowTextW(search_box, wide(text));
    // Find runs inside the click, so the list is complete when this returns.
    ::SendMessageW(find_button, BM_CLICK, 0, 0);

    std::vector<std::u16string> lines;
    const auto rows = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        lines.push_back(escaped(item_text(list, row, 0)) + u'\t' + escaped(item_text(list, row, 1)) + u'\t' +
                        escaped(item_text(list, row, 2)));
    }
    lines.push_back(u"status: " + escaped(status_text(status_bar)));
    return lines;
}

void write_lines(DWORD handle, const std::vector<std::u16string>& lines) {
    const HANDLE output = ::GetStdHandle(handle);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) {
        return;
    }
    std::string bytes;
    for (const std::u16string& line : lines) {
        bytes += to_utf8(line);
        bytes += '\n';
    }
    std::size_t written_total = 0;
    while (written_total < bytes.size()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written_total, 1 << 16));
        if (!::WriteFile(output, bytes.data() + written_total, chunk, &written, nullptr) || written == 0) {
            return;
        }
        written_total += written;
    }
}

}  // namespace standin::host
