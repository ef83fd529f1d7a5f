#include "ui/main/list_menu_win.h"

#include "base/owners_win.h"
#include "base/platform_win.h"
#include "ui/main/list_menu.h"

namespace tarvex {

void show_list_menu(HWND owner, SearchSession& session, POINT at) {
    using list_menu::Command;
    const UniqueMenu menu(::CreatePopupMenu());
    if (!menu) {
        return;
    }
    const list_menu::State state = session.list_state();
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
        ::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
    if (chosen != 0) {
        session.run_list_command(static_cast<Command>(chosen));
    }
}

}  // namespace tarvex
