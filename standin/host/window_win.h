#pragma once
// Small Win32 helpers shared by the stand-in host's windows: the owners they use
// (from Tarvex's base, the one place for them), the DPI scale, and one base class
// that routes a window's messages to its C++ object.
#include <windows.h>

#include <string>

#include "base/owners_win.h"
#include "base/platform_win.h"

namespace standin::host {

using tarvex::SelectObjectScope;
using tarvex::UniqueAccelerators;
using tarvex::UniqueBitmap;
using tarvex::UniqueFont;
using tarvex::UniqueMemoryDc;
using tarvex::UniqueMenu;
using tarvex::UniqueWindow;
using tarvex::wide;
using tarvex::WindowDc;

HINSTANCE this_module();

// Pixels per logical inch of the screen; everything drawn is sized from it.
int system_dpi();
inline int scale(int pixels_at_96_dpi, int dpi) {
    return ::MulDiv(pixels_at_96_dpi, dpi, 96);
}

// The font the system uses for message boxes: the natural font of a plain window.
UniqueFont create_message_font();

// A window whose messages go to on_message. The object owns its window: destroying
// the object destroys the window, and a window destroyed first (by the user, or
// with its parent) simply leaves the object without one.
class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND hwnd() const { return hwnd_.get(); }

protected:
    // Registers the class on first use. Returns false when the window could not be created.
    [[nodiscard]] bool create_window(const wchar_t* class_name, HBRUSH background, DWORD ex_style, DWORD style,
                                     const std::u16string& title, int x, int y, int width, int height, HWND parent,
                                     HMENU menu_or_id);
    virtual LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam) = 0;
    LRESULT default_message(UINT message, WPARAM wparam, LPARAM lparam) {
        return ::DefWindowProcW(hwnd(), message, wparam, lparam);
    }

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept;
    UniqueWindow hwnd_;
};

}  // namespace standin::host
