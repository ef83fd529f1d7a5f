#include "ui/main/list_menu_win.h"

#include <commdlg.h>

#include "base/owners_win.h"
#include "base/platform_win.h"
#include "base/text.h"
#include "engine/list_text.h"
#include "ui/controls/clipboard_win.h"

namespace tarvex {
namespace {

using list_menu::Command;

void tell(const ListMenuContext& c, const std::u16string& text) {
    c.commands.messages.show(
        MessageRequest{text, command_texts::message_title, MessageButtons::ok, MessageIcon::exclamation, 1});
}

void copy(const ListMenuContext& c, bool as_references) {
    const std::vector<ResultRow> rows = list_menu::rows_to_copy(c.rows, c.view.selected_rows());
    const bool copied = as_references ? put_on_clipboard(c.owner, list_text::references(rows))
                                      : put_on_clipboard(c.owner, list_text::tab_separated(rows),
                                                         utf16_to_utf8(list_text::comma_separated(rows, true)));
    if (!copied) {
        tell(c, u"The rows could not be put on the clipboard. Another program may be using it; please try again.");
    }
}

void export_list(const ListMenuContext& c) {
    wchar_t path[MAX_PATH] = L"Tarvex results.csv";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = c.owner;
    dialog.lpstrFilter = L"CSV (comma-separated values) (*.csv)\0*.csv\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = L"Export list";
    dialog.lpstrDefExt = L"csv";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    if (!::GetSaveFileNameW(&dialog)) {
        return;  // cancelled
    }
    std::vector<ResultRow> rows;
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
        rows.push_back(c.rows.row(i));
    }
    const std::string bytes = list_text::export_file(rows);
    const UniqueKernelHandle file(
        ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    const bool saved = file.get() != INVALID_HANDLE_VALUE &&
                       ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                       written == bytes.size();
    if (!saved) {
        tell(c, u"The list could not be saved to " + from_wide(path) + u".");
    }
}

}  // namespace

void run_list_command(const ListMenuContext& c, Command command) {
    switch (command) {
        case Command::go_to:
            lvwMain_DblClick(c.commands, c.globals);
            break;
        case Command::tick_selected:
        case Command::untick_selected:
            if (list_menu::set_ticks(c.rows, c.view.selected_rows(), command == Command::tick_selected)) {
                c.view.repaint();
            }
            break;
        case Command::tick_all:
        case Command::untick_all:
            if (list_menu::set_all_ticks(c.rows, command == Command::tick_all)) {
                c.view.repaint();
            }
            break;
        case Command::copy:
            copy(c, false);
            break;
        case Command::copy_references:
            copy(c, true);
            break;
        case Command::export_list:
            export_list(c);
            break;
        case Command::undo_replace:
            undo_replace(c.commands, c.globals);
            break;
        case Command::separator:
            break;
    }
}

void show_list_menu(const ListMenuContext& c, POINT at) {
    const UniqueMenu menu(::CreatePopupMenu());
    if (!menu) {
        return;
    }
    const list_menu::State state{c.rows.size(), c.view.selected_rows().size(), can_undo_replace(c.globals)};
    for (const auto& item : list_menu::items) {
        if (item.command == Command::separator) {
            ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const UINT enabled = list_menu::enabled(item.command, state) ? MF_ENABLED : MF_GRAYED;
        ::AppendMenuW(menu.get(), MF_STRING | enabled, static_cast<UINT_PTR>(item.command),
                      wide(std::u16string(item.caption)));
    }
    const int chosen = static_cast<int>(
        ::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, c.owner, nullptr));
    if (chosen != 0) {
        run_list_command(c, static_cast<Command>(chosen));
    }
}

bool on_list_key(const ListMenuContext& c, WORD key) {
    if ((::GetKeyState(VK_CONTROL) & 0x8000) == 0 || (::GetKeyState(VK_MENU) & 0x8000) != 0) {
        return false;
    }
    switch (key) {
        case 'A':
            c.view.select_all();
            return true;
        case 'C':
            run_list_command(c, Command::copy);
            return true;
        case 'Z':
            run_list_command(c, Command::undo_replace);
            return true;
        default:
            return false;
    }
}

}  // namespace tarvex
