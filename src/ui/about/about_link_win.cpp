#include "ui/about/about_link_win.h"

#include <commctrl.h>

namespace tarvex::about {
namespace {

// What a watched window is to the link.
enum class Role : UINT_PTR { link, Label2, lblDescription, tab_strip };

PointerOver pointer_over(Role role) {
    switch (role) {
        case Role::link:
            return PointerOver::mail_link;
        case Role::Label2:
            return PointerOver::Label2;
        case Role::lblDescription:
            return PointerOver::lblDescription;
        case Role::tab_strip:
            break;
    }
    return PointerOver::elsewhere;
}

LRESULT CALLBACK watch_pointer(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR role, DWORD_PTR data) {
    try {
        switch (message) {
            case WM_NCDESTROY:
                ::RemoveWindowSubclass(hwnd, watch_pointer, role);
                break;
            case WM_NCHITTEST:
                // A frame, and the labels that ignore the mouse, let it through to
                // the strip beneath; the strip keeps it, page and all, so a move over
                // any of them leaves the link as it is instead of reaching the
                // window's own surface.
                if (static_cast<Role>(role) == Role::tab_strip) {
                    return HTCLIENT;
                }
                break;
            case WM_MOUSEMOVE:
                reinterpret_cast<LinkLabel*>(data)->pointer_moved(pointer_over(static_cast<Role>(role)));
                break;
            case WM_SETCURSOR:
                if (static_cast<Role>(role) == Role::link) {
                    ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
                    return TRUE;
                }
                break;
            default:
                break;
        }
    } catch (...) {
        // Fall through to the control's own handling.
    }
    return ::DefSubclassProc(hwnd, message, wparam, lparam);
}

}  // namespace

void LinkLabel::watch(HWND link, HWND Label2, HWND lblDescription, HWND tab_strip) {
    link_ = link;
    const std::pair<HWND, Role> watched[] = {
        {link, Role::link},
        {Label2, Role::Label2},
        {lblDescription, Role::lblDescription},
        {tab_strip, Role::tab_strip},
    };
    for (const auto& [window, role] : watched) {
        ::SetWindowSubclass(window, watch_pointer, static_cast<UINT_PTR>(role), reinterpret_cast<DWORD_PTR>(this));
    }
}

void LinkLabel::use_fonts(HFONT plain, HFONT underlined) {
    plain_ = plain;
    underlined_ = underlined;
    ::SendMessageW(link_, WM_SETFONT,
                   reinterpret_cast<WPARAM>(look_.underlined() && underlined_ ? underlined_ : plain_), TRUE);
}

void LinkLabel::pointer_moved(PointerOver where) {
    if (!look_.pointer_moved(where)) {
        return;
    }
    ::SendMessageW(link_, WM_SETFONT, reinterpret_cast<WPARAM>(look_.underlined() ? underlined_ : plain_), FALSE);
    ::InvalidateRect(link_, nullptr, TRUE);
}

void LinkLabel::forget() {
    link_ = nullptr;
    plain_ = nullptr;
    underlined_ = nullptr;
    look_ = MailLink();
}

}  // namespace tarvex::about
