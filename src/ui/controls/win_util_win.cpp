#include "ui/controls/win_util_win.h"

#include "ui/controls/window_class_win.h"

namespace tarvex {

std::u16string window_text(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const int copied = ::GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

void set_window_text(HWND window, const std::u16string& text) {
    ::SetWindowTextW(window, wide(text));
}

WindowIcons set_window_icons(HWND window, HMODULE module, int icon_resource) {
    const auto load = [&](int width_metric, int height_metric) {
        return UniqueIcon(
            static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(icon_resource), IMAGE_ICON,
                                            ::GetSystemMetrics(width_metric), ::GetSystemMetrics(height_metric), 0)));
    };
    WindowIcons icons{load(SM_CXICON, SM_CYICON), load(SM_CXSMICON, SM_CYSMICON)};
    ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons.large.get()));
    ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons.small.get()));
    return icons;
}

UINT window_dpi(HWND window) {
    // GetDpiForWindow exists from Windows 10 on; earlier systems have one DPI.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (get_dpi_for_window && window) {
        if (const UINT dpi = get_dpi_for_window(window)) {
            return dpi;
        }
    }
    const WindowDc screen(nullptr);
    const int dpi = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UniqueFont message_font(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    LOGFONTW font = metrics.lfMessageFont;
    // The metrics are given at the system DPI; the window may stand on another monitor.
    const UINT system_dpi = window_dpi(nullptr);
    font.lfHeight = ::MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(system_dpi));
    return UniqueFont(::CreateFontIndirectW(&font));
}

namespace {

// Created once from the DLL's manifest and kept until the DLL unloads.
HANDLE module_activation_context() {
    static const UniqueActivationContext context = [] {
        const std::wstring path = module_path(module_instance());
        ACTCTXW request{};
        request.cbSize = sizeof(request);
        request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.hModule = module_instance();
        request.lpSource = path.c_str();
        request.lpResourceName = MAKEINTRESOURCEW(2);
        const HANDLE created = ::CreateActCtxW(&request);
        return UniqueActivationContext(created == INVALID_HANDLE_VALUE ? nullptr : created);
    }();
    return context.get();
}

}  // namespace

ActivationScope::ActivationScope() {
    if (const HANDLE context = module_activation_context()) {
        active_ = ::ActivateActCtx(context, &cookie_) != FALSE;
    }
}

ActivationScope::~ActivationScope() {
    if (active_) {
        ::DeactivateActCtx(0, cookie_);
    }
}

}  // namespace tarvex
