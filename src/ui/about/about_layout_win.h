#pragma once
// The About box's child windows: made in tab order, given the fitted fonts and
// placed for the tab that is selected. Sizes come from the core's design in twips.
#include <windows.h>

#include <array>

#include "ui/about/about.h"
#include "ui/about/about_font_fit_win.h"
#include "ui/about/about_paint_win.h"
#include "ui/controls/win_util_win.h"

namespace tarvex::about {

// The box's children. They go with the box, so the handles are not owners.
struct ChildWindows {
    HWND tab = nullptr;            // tbsMain
    std::array<HWND, 3> frames{};  // fraAbout, fraLicence, fraCredits, by tab
    HWND txtLicence = nullptr;
    HWND txtCredits = nullptr;
    std::array<HWND, design::controls.size()> controls{};  // the About tab's, by design::Index
    HWND line = nullptr;                                   // Line1

    HWND control(int index) const { return controls[static_cast<std::size_t>(index)]; }
    HWND frame(Tab shown) const { return frames[static_cast<std::size_t>(shown)]; }
    // The child's index in design::controls, or -1.
    int index_of(HWND child) const;
};

// Every child of `box`, all hidden but the tab strip and none placed yet; the
// rich-text boxes already have their size.
ChildWindows create_child_windows(HWND box, const Scale& scale);

// Sizes the box for the selected tab, shows that tab's frame and what stands in
// it, hides the rest and centres the box on its screen. The page behind it all is
// drawn again at the strip's new size.
void lay_out_selected_tab(HWND box, const ChildWindows& children, const Scale& scale, PageBackground& background);

// The message font, made as small as the labels' present texts need (see
// font_heights_to_try), with its bold form for the title and its underlined form
// for the lit link.
struct Fonts {
    UniqueFont plain;
    UniqueFont bold;
    UniqueFont underlined;
};
Fonts fitting_fonts(HWND box, const ChildWindows& children, const Scale& scale);
// Every child takes the plain font but the title, which takes the bold one.
// lblEmail's font follows the link's look (LinkLabel).
void set_fonts(const ChildWindows& children, const Fonts& fonts);

// Line1's two bands in the line control's own coordinates, as it is placed now.
std::array<Band, design::Line1.size()> separator_bands(const ChildWindows& children, const Scale& scale);

}  // namespace tarvex::about
