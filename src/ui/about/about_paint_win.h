#pragma once
// How the About box paints: everything stands on the tab strip's page, so labels,
// frames and owner-drawn controls fill their background with the page as the
// strip draws it, themed or not.
#include <windows.h>

#include <optional>
#include <span>

#include "base/owners_win.h"
#include "ui/about/about.h"

namespace tarvex::about {

// The tab strip's page as drawn, used as the background of everything that stands
// on it. Until it is drawn, or when it cannot be, the plain dialog colour stands in.
class PageBackground {
public:
    PageBackground();
    ~PageBackground();
    PageBackground(const PageBackground&) = delete;
    PageBackground& operator=(const PageBackground&) = delete;

    // Draws the strip's page again, at the strip's present size.
    void refresh(HWND tab_strip);
    void clear();

    // Fills `area` (in `painted`'s client coordinates) with the page as it shows
    // behind that window.
    void fill(HDC dc, HWND painted, const RECT& area) const;
    // For WM_CTLCOLOR*: sets the text colour and a transparent background on `dc`
    // and gives the brush the control fills itself with, lined up with the page.
    HBRUSH colour_control(HDC dc, HWND control, COLORREF text) const;
    // A frame paints only its border and caption from now on; the page shows
    // through. The frame must not outlive this object.
    void show_through(HWND frame) const;

private:
    // The page as drawn and the brush made from it: both or neither, the brush
    // freed before its bitmap.
    struct Pattern {
        UniqueBitmap bitmap;
        UniqueBrush brush;
    };
    std::optional<Pattern> pattern_;
    HWND tab_strip_ = nullptr;
};

// The colour a control of the About tab writes its text in; `index` as in
// design::controls, or -1 for any other window.
COLORREF text_colour(int index, const MailLink& link);

// One filled band of an owner-drawn line, in the control's client coordinates.
struct Band {
    RECT area{};
    Rgb colour;
};
void draw_bands(HDC dc, std::span<const Band> bands);

// picIcon: the icon stretched over the control, nothing when there is none.
void draw_picture(const DRAWITEMSTRUCT& item, HICON picture);

}  // namespace tarvex::about
