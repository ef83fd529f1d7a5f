#include "ui/about/about_font_fit_win.h"

#include <algorithm>

#include "base/owners_win.h"
#include "base/platform_win.h"
#include "ui/about/about.h"

namespace tarvex::about {
namespace {

bool fits(HWND window, HFONT font, const std::vector<FittedText>& texts) {
    const WindowDc screen(window);
    if (!screen.get()) {
        return true;
    }
    const SelectObjectScope selected(screen.get(), font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(screen.get(), &metrics);
    for (const FittedText& fitted : texts) {
        std::u16string text = fitted.text;
        // A button needs room for its frame around the text; its "&" shows nothing.
        int margin = 0;
        if (fitted.button) {
            text.erase(std::remove(text.begin(), text.end(), u'&'), text.end());
            margin = 4 * ::GetSystemMetrics(SM_CXEDGE);
        }
        int lines = 0;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find(u"\r\n", start);
            if (end == std::u16string::npos) {
                end = text.size();
            }
            SIZE extent{};
            ::GetTextExtentPoint32W(screen.get(), wide(text.substr(start, end - start)), static_cast<int>(end - start),
                                    &extent);
            if (extent.cx + margin > fitted.width) {
                return false;
            }
            ++lines;
            start = end + 2;
        }
        if (std::max(lines, 1) * metrics.tmHeight > fitted.height) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<LONG> fitting_height(HWND window, const LOGFONTW& message, UINT dpi,
                                   const std::vector<FittedText>& texts) {
    const std::vector<int> heights = font_heights_to_try(message.lfHeight, static_cast<int>(dpi));
    LOGFONTW font = message;
    for (std::size_t i = 0; i < heights.size(); ++i) {
        font.lfHeight = heights[i];
        const UniqueFont candidate(::CreateFontIndirectW(&font));
        if (!candidate) {
            return std::nullopt;
        }
        if (i + 1 == heights.size() || fits(window, candidate.get(), texts)) {
            return font.lfHeight;
        }
    }
    return std::nullopt;
}

}  // namespace tarvex::about
