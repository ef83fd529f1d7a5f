#include "ui/about/about_paint_win.h"

#include <commctrl.h>

#include <utility>

#include "base/owners_win.h"

namespace tarvex::about {
namespace {

COLORREF colorref(Rgb rgb) {
    return RGB(rgb.red, rgb.green, rgb.blue);
}

// Sets the brush origin of `dc` so that a brush made from the strip's page lines
// up with the page behind `painted`.
void align_with_page(HDC dc, HWND painted, HWND tab_strip) {
    POINT origin{0, 0};
    ::MapWindowPoints(painted, tab_strip, &origin, 1);
    POINT viewport{};
    ::GetViewportOrgEx(dc, &viewport);
    ::SetBrushOrgEx(dc, viewport.x - origin.x, viewport.y - origin.y, nullptr);
}

LRESULT CALLBACK page_behind_frame(HWND frame, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                   DWORD_PTR data) {
    try {
        switch (message) {
            case WM_NCDESTROY:
                ::RemoveWindowSubclass(frame, page_behind_frame, id);
                break;
            case WM_ERASEBKGND: {
                RECT area{};
                ::GetClientRect(frame, &area);
                reinterpret_cast<const PageBackground*>(data)->fill(reinterpret_cast<HDC>(wparam), frame, area);
                return 1;
            }
            default:
                break;
        }
    } catch (...) {
        // Fall through to the frame's own handling.
    }
    return ::DefSubclassProc(frame, message, wparam, lparam);
}

}  // namespace

PageBackground::PageBackground() = default;
PageBackground::~PageBackground() = default;

void PageBackground::refresh(HWND tab_strip) {
    // Drawn with the plain dialog colour while the strip paints itself, in case it
    // asks its parent for the background behind its tabs.
    pattern_.reset();
    tab_strip_ = tab_strip;
    RECT area{};
    ::GetClientRect(tab_strip, &area);
    if (area.right <= 0 || area.bottom <= 0) {
        return;
    }
    const WindowDc screen(tab_strip);
    UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), area.right, area.bottom));
    if (!bitmap) {
        return;
    }
    {
        const UniqueMemoryDc canvas(::CreateCompatibleDC(screen.get()));
        if (!canvas) {
            return;
        }
        const SelectObjectScope drawing_on(canvas.get(), bitmap.get());
        ::FillRect(canvas.get(), &area, ::GetSysColorBrush(COLOR_BTNFACE));
        ::SendMessageW(tab_strip, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.get()), PRF_CLIENT | PRF_ERASEBKGND);
    }
    UniqueBrush brush(::CreatePatternBrush(bitmap.get()));
    if (brush) {
        pattern_.emplace(Pattern{std::move(bitmap), std::move(brush)});
    }
}

void PageBackground::clear() {
    pattern_.reset();
    tab_strip_ = nullptr;
}

void PageBackground::fill(HDC dc, HWND painted, const RECT& area) const {
    if (!pattern_) {
        ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    align_with_page(dc, painted, tab_strip_);
    ::FillRect(dc, &area, pattern_->brush.get());
}

HBRUSH PageBackground::colour_control(HDC dc, HWND control, COLORREF text) const {
    ::SetTextColor(dc, text);
    ::SetBkMode(dc, TRANSPARENT);
    if (!pattern_) {
        return ::GetSysColorBrush(COLOR_BTNFACE);
    }
    align_with_page(dc, control, tab_strip_);
    return pattern_->brush.get();
}

void PageBackground::show_through(HWND frame) const {
    ::SetWindowSubclass(frame, page_behind_frame, 0, reinterpret_cast<DWORD_PTR>(this));
}

COLORREF text_colour(int index, const MailLink& link) {
    switch (index) {
        case design::lblTitle:
        case design::lblDescription:
            return colorref(black);
        case design::lblEmail:
            return colorref(link.colour());
        default:
            return ::GetSysColor(COLOR_WINDOWTEXT);
    }
}

void draw_bands(HDC dc, std::span<const Band> bands) {
    // Each line as a filled band: its pixels are then exact at any width.
    for (const Band& band : bands) {
        const COLORREF before = ::SetBkColor(dc, colorref(band.colour));
        ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &band.area, nullptr, 0, nullptr);
        ::SetBkColor(dc, before);
    }
}

void draw_picture(const DRAWITEMSTRUCT& item, HICON picture) {
    if (!picture) {
        return;
    }
    const RECT& area = item.rcItem;
    ::DrawIconEx(item.hDC, area.left, area.top, picture, area.right - area.left, area.bottom - area.top, 0, nullptr,
                 DI_NORMAL);
}

}  // namespace tarvex::about
