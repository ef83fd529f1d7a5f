#include "ui/controls/window_base_win.h"

#include "ui/controls/window_class_win.h"

namespace tarvex {

namespace {

// What the system takes for "this message failed" when window_proc throws. A
// window whose creation fails is destroyed by the system and CreateWindowEx
// returns nullptr, which the caller already treats as "could not be created".
LRESULT failed_message_result(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_NCCREATE:
            return FALSE;
        case WM_CREATE:
            return -1;
        default:
            return ::DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

}  // namespace

WindowBase::~WindowBase() {
    // A window outlives its object only when the process ends with it open: the
    // static objects go while the host's windows are still there. Destroying it
    // now would run code of the derived object, which is gone already, and of
    // controls whose libraries may have been unloaded; it is let go for the system
    // to clean up, and no later message reaches this object.
    if (const HWND left = window_.release()) {
        ::SetWindowLongPtrW(left, GWLP_USERDATA, 0);
    }
}

bool WindowBase::register_class(const wchar_t* name, UINT style, HBRUSH background) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = trampoline;
    wc.hInstance = module_instance();
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    // Registering a class this DLL registered before hands back the same class.
    return register_window_class(wc) != 0;
}

void WindowBase::destroy_window() noexcept {
    // The owner forgets the handle before DestroyWindow runs, so the WM_NCDESTROY
    // that arrives meanwhile finds nothing left to let go.
    window_.reset();
}

void WindowBase::adopt(HWND hwnd) noexcept {
    // An earlier window of this object that is still on its way out (created anew
    // between its WM_DESTROY and WM_NCDESTROY) is the system's to finish.
    (void)window_.release();
    window_.reset(hwnd);
    hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void WindowBase::let_go() noexcept {
    // The system has destroyed the window, or is about to: the handle is no longer
    // ours to destroy.
    (void)window_.release();
    hwnd_ = nullptr;
}

LRESULT CALLBACK WindowBase::trampoline(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams)->adopt(hwnd);
    }
    auto* self = reinterpret_cast<WindowBase*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    // A message for an earlier window of the same object (one being destroyed while
    // the next is created) goes to the default procedure.
    if (!self || self->hwnd_ != hwnd) {
        return ::DefWindowProcW(hwnd, message, wparam, lparam);
    }
    LRESULT result = 0;
    try {
        result = self->window_proc(message, wparam, lparam);
    } catch (...) {
        result = failed_message_result(hwnd, message, wparam, lparam);
    }
    if (message == WM_NCCREATE && !result) {
        // The system destroys a window that fails WM_NCCREATE; whether its
        // WM_NCDESTROY comes through is not worth relying on. The object lets go
        // of it now, and nothing more of it reaches the object.
        self->let_go();
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    } else if (message == WM_NCDESTROY) {
        self->let_go();
    }
    return result;
}

}  // namespace tarvex
