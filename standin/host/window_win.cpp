#include "host/window_win.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace standin::host {

HINSTANCE this_module() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

int system_dpi() {
    const WindowDc screen(nullptr);
    const int dpi = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}

UniqueFont create_message_font() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        if (HFONT font = ::CreateFontIndirectW(&metrics.lfMessageFont)) {
            return UniqueFont(font);
        }
    }
    // Without the metrics, a copy of the stock GUI font keeps ownership uniform.
    LOGFONTW fallback{};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(fallback), &fallback);
    return UniqueFont(::CreateFontIndirectW(&fallback));
}

Window::~Window() {
    if (hwnd_) {
        // The derived part of this object is gone already: the messages that
        // destruction sends must not reach it.
        ::SetWindowLongPtrW(hwnd_.get(), GWLP_USERDATA, 0);
        hwnd_.reset();
    }
}

bool Window::create_window(const wchar_t* class_name, HBRUSH background, DWORD ex_style, DWORD style,
                           const std::u16string& title, int x, int y, int width, int height, HWND parent,
                           HMENU menu_or_id) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (!::GetClassInfoExW(this_module(), class_name, &existing)) {
        WNDCLASSEXW window_class{};
        window_class.cbSize = sizeof(window_class);
        window_class.style = CS_DBLCLKS;
        window_class.lpfnWndProc = &Window::procedure;
        window_class.hInstance = this_module();
        window_class.hIcon = ::LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
        window_class.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        window_class.hbrBackground = background;
        window_class.lpszClassName = class_name;
        if (!::RegisterClassExW(&window_class)) {
            return false;
        }
    }
    return ::CreateWindowExW(ex_style, class_name, wide(title), style, x, y, width, height, parent, menu_or_id,
                             this_module(), this) != nullptr;
}

LRESULT CALLBACK Window::procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
    auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        self->hwnd_.reset(hwnd);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self) {
        return ::DefWindowProcW(hwnd, message, wparam, lparam);
    }
    LRESULT result = 0;
    try {
        result = self->on_message(message, wparam, lparam);
    } catch (...) {
        // Nothing may unwind into the system's message dispatch; the window
        // carries on as if the message had not been handled.
        result = ::DefWindowProcW(hwnd, message, wparam, lparam);
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        (void)self->hwnd_.release();
    }
    return result;
}

}  // namespace standin::host
