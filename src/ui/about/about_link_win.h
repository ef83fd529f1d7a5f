#pragma once
// lblEmail as a link: it lights as the pointer reaches it and goes dark as the
// pointer reaches the box's own surface, Label2 or lblDescription; MailLink
// decides, this class tells it where the pointer is and shows the result.
#include <windows.h>

#include "ui/about/about.h"

namespace tarvex::about {

class LinkLabel {
public:
    LinkLabel() = default;
    LinkLabel(const LinkLabel&) = delete;
    LinkLabel& operator=(const LinkLabel&) = delete;

    // Starts listening to the link, the two labels that darken it and the tab
    // strip beneath them all. The windows must not outlive this object.
    void watch(HWND link, HWND Label2, HWND lblDescription, HWND tab_strip);
    // The link's fonts when dark and when lit, owned by the box; the link takes
    // the one for its present look.
    void use_fonts(HFONT plain, HFONT underlined);
    // The pointer moved over `where`; the link is drawn again if its look changed.
    void pointer_moved(PointerOver where);
    const MailLink& look() const { return look_; }
    // The box has gone: the link is dark again and holds no fonts.
    void forget();

private:
    HWND link_ = nullptr;
    HFONT plain_ = nullptr;
    HFONT underlined_ = nullptr;
    MailLink look_;
};

}  // namespace tarvex::about
