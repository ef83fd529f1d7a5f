#pragma once
#include <windows.h>

#include "base/owners_win.h"

namespace tarvex {

// The one window-procedure trampoline of the DLL's windows: the object passed as
// CreateWindowEx's parameter is stored at WM_NCCREATE and receives every later
// message; nothing it throws reaches the host's message loop. A WM_NCCREATE or
// WM_CREATE that throws fails the creation instead, so that CreateWindowEx returns
// nullptr rather than a half-built window.
//
// The object owns its window from WM_NCCREATE on. destroy_window() destroys it; a
// window the system destroys first (with its owner window, say) is let go at
// WM_NCDESTROY, so no handle is ever destroyed twice.
class WindowBase {
public:
    WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

protected:
    ~WindowBase();

    // CreateWindowEx's last argument: the base object itself, which need not sit at
    // the address of the derived object.
    WindowBase* creation_parameter() { return this; }
    // Registers (once) a window class of this DLL whose windows run through the
    // trampoline; false when the class cannot be registered.
    [[nodiscard]] static bool register_class(const wchar_t* name, UINT style, HBRUSH background);
    static LRESULT CALLBACK trampoline(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    virtual LRESULT window_proc(UINT message, WPARAM wparam, LPARAM lparam) = 0;
    // Destroys the window, if there is one: its WM_DESTROY and WM_NCDESTROY have
    // reached window_proc when this returns.
    void destroy_window() noexcept;

    // The window, for reading: from WM_NCCREATE until WM_NCDESTROY has been handled,
    // nullptr otherwise. window_ owns it.
    HWND hwnd_ = nullptr;

private:
    void adopt(HWND hwnd) noexcept;
    void let_go() noexcept;

    UniqueWindow window_;
};

}  // namespace tarvex
