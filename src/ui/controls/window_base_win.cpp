#include "ui/controls/window_base_win.h"

#include "ui/controls/window_class_win.h"

namespace tarvex {

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

LRESULT CALLBACK WindowBase::trampoline(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<WindowBase*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    // A message for an earlier window of the same object (one being destroyed while
    // the next is created) goes to the default procedure.
    if (!self || self->hwnd_ != hwnd) {
        return ::DefWindowProcW(hwnd, message, wparam, lparam);
    }
    try {
        return self->window_proc(message, wparam, lparam);
    } catch (...) {
        return ::DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

}  // namespace tarvex
