#pragma once
// Small owners and conversions shared by the DLL's windows.
#include <windows.h>
#include <ole2.h>

#include <cmath>
#include <memory>
#include <string>
#include <type_traits>

namespace tarvex {

struct FontDeleter {
    void operator()(HFONT font) const noexcept { ::DeleteObject(font); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

struct RegionDeleter {
    void operator()(HRGN region) const noexcept { ::DeleteObject(region); }
};
using UniqueRegion = std::unique_ptr<std::remove_pointer_t<HRGN>, RegionDeleter>;

struct IconDeleter {
    void operator()(HICON icon) const noexcept { ::DestroyIcon(icon); }
};
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

struct WindowDeleter {
    void operator()(HWND window) const noexcept { ::DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

// A window's big and small icon from an icon resource, sized as the system wants
// them; the owner keeps them alive as long as the window shows them.
struct WindowIcons {
    UniqueIcon large;
    UniqueIcon small;
};
WindowIcons set_window_icons(HWND window, HMODULE module, int icon_resource);

// OleInitialize for the lifetime of the object, undone only when it succeeded.
class OleScope {
public:
    OleScope() : status_(::OleInitialize(nullptr)) {}
    ~OleScope() {
        if (SUCCEEDED(status_)) {
            ::OleUninitialize();
        }
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;
    HRESULT status() const { return status_; }

private:
    HRESULT status_;
};

inline const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline const wchar_t* wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

std::u16string window_text(HWND window);
void set_window_text(HWND window, const std::u16string& text);

// Twips (1440 to the inch) to pixels and back at a window's DPI.
struct Scale {
    UINT dpi = 96;
    int px(float twips) const { return static_cast<int>(std::lround(twips * static_cast<float>(dpi) / 1440.0f)); }
    float twips(int pixels) const { return static_cast<float>(pixels) * 1440.0f / static_cast<float>(dpi); }
};

// The DPI the window is shown at (per monitor where the system knows it).
UINT window_dpi(HWND window);
// The message font of the system, at the given DPI.
UniqueFont message_font(UINT dpi);

// Activates the DLL's own activation context (its manifest, resource 2) for the
// lifetime of the object, so that the windows created meanwhile get common
// controls version 6 whatever the host's own manifest says.
class ActivationScope {
public:
    ActivationScope();
    ~ActivationScope();
    ActivationScope(const ActivationScope&) = delete;
    ActivationScope& operator=(const ActivationScope&) = delete;

private:
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

}  // namespace tarvex
