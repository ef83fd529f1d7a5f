#pragma once
// Small Win32 helpers shared by the stand-in host's windows: owners for the
// handles they create, the DPI scale, and one base class that routes a window's
// messages to its C++ object.
#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

namespace standin::host {

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const noexcept { ::DeleteObject(object); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using UniqueBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter>;
using UniquePen = std::unique_ptr<std::remove_pointer_t<HPEN>, GdiObjectDeleter>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;

struct DcDeleter {
    void operator()(HDC dc) const noexcept { ::DeleteDC(dc); }
};
using UniqueDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

struct MenuDeleter {
    void operator()(HMENU menu) const noexcept { ::DestroyMenu(menu); }
};
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter>;

struct AcceleratorDeleter {
    void operator()(HACCEL table) const noexcept { ::DestroyAcceleratorTable(table); }
};
using UniqueAccelerators = std::unique_ptr<std::remove_pointer_t<HACCEL>, AcceleratorDeleter>;

struct WindowDeleter {
    void operator()(HWND window) const noexcept { ::DestroyWindow(window); }
};
using UniqueHwnd = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

// A window's device context (the screen's for nullptr), released at the end of the scope.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~WindowDc() {
        if (dc_) {
            ::ReleaseDC(window_, dc_);
        }
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Selects a GDI object into a device context for one scope and puts the old one back.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
    ~SelectObjectScope() { ::SelectObject(dc_, old_); }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

inline const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

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
    UniqueHwnd hwnd_;
};

}  // namespace standin::host
