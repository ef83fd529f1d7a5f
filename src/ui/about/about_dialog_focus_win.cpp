#include "ui/about/about_dialog_focus_win.h"

namespace tarvex::about {

void DialogFocus::activate(HWND box, WPARAM wparam, HWND fallback) {
    if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        if (focus && ::IsChild(box, focus)) {
            focus_ = focus;
        }
    } else if (focus_ && ::IsWindow(focus_) && ::IsWindowVisible(focus_)) {
        ::SetFocus(focus_);
    } else {
        ::SetFocus(fallback);
    }
}

void next_dialog_control(HWND box, WPARAM wparam, LPARAM lparam) {
    HWND target = nullptr;
    if (LOWORD(lparam)) {
        target = reinterpret_cast<HWND>(wparam);
    } else {
        const HWND focus = ::GetFocus();
        target = ::GetNextDlgTabItem(box, ::IsChild(box, focus) ? focus : nullptr, wparam != 0);
    }
    if (target && ::IsChild(box, target)) {
        ::SetFocus(target);
    }
}

}  // namespace tarvex::about
