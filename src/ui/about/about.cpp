#include "ui/about/about.h"

#include <cstdlib>

#include "base/text.h"

namespace tarvex::about {

std::u16string version_line(const Version& version) {
    return u"Version " + decimal(version.major) + u"." + decimal(version.minor) + u"." + decimal(version.revision);
}

std::u16string description_text() {
    // Built the way the box has always filled the label: emptied, then each line
    // appended with its own line break, the last one included.
    constexpr std::u16string_view lines[] = {
        u"Tarvex",
        u"This is a replacement for the Microsoft Excel ",
        u"search and replace tool.",
        u"All comments and suggestions can be sent to.",
    };
    std::u16string text;
    for (std::u16string_view line : lines) {
        text += line;
        text += u"\r\n";
    }
    return text;
}

std::u16string percent_encode(std::u16string_view text) {
    constexpr char hex[] = "0123456789ABCDEF";
    std::u16string out;
    for (const char byte : utf16_to_utf8(text)) {
        const auto b = static_cast<unsigned char>(byte);
        const bool unreserved = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
                                b == '-' || b == '.' || b == '_' || b == '~';
        if (unreserved) {
            out.push_back(static_cast<char16_t>(b));
        } else {
            out.push_back(u'%');
            out.push_back(static_cast<char16_t>(hex[b >> 4]));
            out.push_back(static_cast<char16_t>(hex[b & 0x0F]));
        }
    }
    return out;
}

std::u16string mail_url(const Version& version) {
    // The subject repeats the version line's numbers, so a mail says which build
    // the sender runs.
    const std::u16string subject =
        u"Tarvex Version " + decimal(version.major) + u"." + decimal(version.minor) + u"." + decimal(version.revision);
    return u"mailto:" + std::u16string(support_address) + u"?subject=" + percent_encode(subject);
}

std::optional<Tab> tab_from_caption(std::u16string_view caption) {
    for (std::size_t i = 0; i < tab_captions.size(); ++i) {
        if (tab_captions[i] == caption) {
            return static_cast<Tab>(i);
        }
    }
    return std::nullopt;
}

TabLayout tab_layout(std::u16string_view selected_caption) {
    TabLayout layout;
    layout.shown = tab_from_caption(selected_caption);
    if (!layout.shown) {
        return layout;
    }
    if (*layout.shown == Tab::about) {
        layout.outer_size = about_outer_size;
    } else {
        layout.outer_size = document_outer_size;
        layout.rich_text_box = rich_text_geometry;
    }
    return layout;
}

TwipPoint centred(TwipSize screen, TwipSize window) {
    const float left = (screen.width - window.width) / 2;
    const float top = (screen.height - window.height) / 2;
    return TwipPoint{left > 0 ? left : 0, top > 0 ? top : 0};
}

std::vector<int> font_heights_to_try(int message_height, int dpi) {
    // 7 points in pixels, rounded to the nearest as the system's MulDiv rounds.
    const int smallest = (7 * dpi + 36) / 72;
    const int step = message_height < 0 ? 1 : -1;  // towards zero is smaller
    std::vector<int> heights{message_height};
    while (std::abs(heights.back()) > smallest) {
        heights.push_back(heights.back() + step);
    }
    return heights;
}

bool MailLink::pointer_moved(PointerOver where) {
    bool hot = hot_;
    switch (where) {
        case PointerOver::mail_link:
            hot = true;
            break;
        case PointerOver::window_surface:
        case PointerOver::Label2:
        case PointerOver::lblDescription:
            hot = false;
            break;
        case PointerOver::elsewhere:
            break;
    }
    const bool changed = hot != hot_;
    hot_ = hot;
    return changed;
}

}  // namespace tarvex::about
