#pragma once
// Helpers shared by the DLL's windows: icons, window texts, the DPI scale, the
// message font and the DLL's activation context. The handle owners and text
// conversions the windows use come with it from base.
#include <windows.h>

#include <cmath>
#include <string>

#include "base/owners_win.h"
#include "base/platform_win.h"

namespace tarvex {

// A window's big and small icon from an icon resource, sized as the system wants
// them; the owner keeps them alive as long as the window shows them.
struct WindowIcons {
    UniqueIcon large;
    UniqueIcon small;
};
WindowIcons set_window_icons(HWND window, HMODULE module, int icon_resource);

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
