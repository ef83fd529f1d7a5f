#include "ui/main/options_menu_win.h"

#include "base/owners_win.h"
#include "base/platform_win.h"
#include "ui/main/options_menu.h"

namespace tarvex {

void show_options_menu(HWND button, SearchSession& session) {
    using options_menu::Kind;
    using options_menu::Submenu;
    const UniqueMenu menu(::CreatePopupMenu());
    UniqueMenu look_in_owner(::CreatePopupMenu());
    UniqueMenu search_in_owner(::CreatePopupMenu());
    if (!menu || !look_in_owner || !search_in_owner) {
        return;
    }
    // Once attached, a submenu belongs to the menu and goes with it.
    const auto attach = [&](UniqueMenu& submenu, std::u16string_view caption) {
        if (::AppendMenuW(menu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(submenu.get()),
                          wide(std::u16string(caption)))) {
            return submenu.release();
        }
        return submenu.get();
    };
    HMENU look_in = nullptr;
    HMENU search_in = nullptr;
    const SearchOptions& options = session.options();
    for (const options_menu::Entry& entry : options_menu::entries) {
        if (entry.separator_before) {
            ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        }
        HMENU into = menu.get();
        if (entry.submenu == Submenu::look_in) {
            into = look_in ? look_in : (look_in = attach(look_in_owner, options_menu::look_in_caption));
        } else if (entry.submenu == Submenu::search_in) {
            into = search_in ? search_in : (search_in = attach(search_in_owner, options_menu::search_in_caption));
        }
        const bool checked = options_menu::checked(entry.item, options);
        ::AppendMenuW(into, MF_STRING | (checked ? MF_CHECKED : MF_UNCHECKED), static_cast<UINT_PTR>(entry.item),
                      wide(std::u16string(entry.caption)));
        if (entry.kind == Kind::choice && checked) {
            const UINT id = static_cast<UINT>(entry.item);
            ::CheckMenuRadioItem(into, id, id, id, MF_BYCOMMAND);
        }
    }
    RECT under{};
    ::GetWindowRect(button, &under);
    const int chosen = static_cast<int>(::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                                         under.left, under.bottom, 0, ::GetParent(button), nullptr));
    if (chosen != 0) {
        run_options_item(session, static_cast<options_menu::Item>(chosen));
    }
}

void run_options_item(SearchSession& session, options_menu::Item item) {
    switch (item) {
        case options_menu::Item::replace_from_list:
            session.replace_from_list(PairSource::file);
            break;
        case options_menu::Item::replace_from_clipboard:
            session.replace_from_list(PairSource::clipboard);
            break;
        default:
            session.set_options(options_menu::choose(item, session.options()));
            break;
    }
}

}  // namespace tarvex
