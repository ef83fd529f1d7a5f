#pragma once
// Measuring the About tab's texts: which of the heights the core lists lets the
// message font show every label and button in full.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tarvex::about {

// A label's or a button's text as it stands, and the room the design gives it in
// pixels.
struct FittedText {
    std::u16string text;
    int width = 0;
    int height = 0;
    bool button = false;
};

// The first of font_heights_to_try for `message` at which every text fits when
// drawn in `window`; the last height is taken untried. None when a font of one of
// the heights cannot be made.
std::optional<LONG> fitting_height(HWND window, const LOGFONTW& message, UINT dpi,
                                   const std::vector<FittedText>& texts);

}  // namespace tarvex::about
