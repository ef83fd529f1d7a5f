#pragma once
#include <windows.h>

namespace tarvex {

// The one window-procedure trampoline of the DLL's windows: the object passed as
// CreateWindowEx's parameter is stored at WM_NCCREATE and receives every later
// message; nothing it throws reaches the host's message loop.
class WindowBase {
public:
    WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

protected:
    ~WindowBase() = default;

    // CreateWindowEx's last argument: the base object itself, which need not sit at
    // the address of the derived object.
    WindowBase* creation_parameter() { return this; }
    // Registers (once) a window class of this DLL whose windows run through the
    // trampoline; false when the class cannot be registered.
    static bool register_class(const wchar_t* name, UINT style, HBRUSH background);
    static LRESULT CALLBACK trampoline(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    virtual LRESULT window_proc(UINT message, WPARAM wparam, LPARAM lparam) = 0;

    HWND hwnd_ = nullptr;
};

}  // namespace tarvex
