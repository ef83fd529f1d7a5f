#include "ui/about/about_layout_win.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "ui/about/about_rich_text_win.h"
#include "ui/controls/window_class_win.h"

namespace tarvex::about {
namespace {

namespace d = design;

HWND create_child(HWND box, const wchar_t* cls, std::u16string_view text, DWORD style, DWORD ex_style, int id) {
    const std::u16string caption(text);
    return ::CreateWindowExW(ex_style, cls, wide(caption), WS_CHILD | style, 0, 0, 0, 0, box,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module_instance(), nullptr);
}

void show_frame(const ChildWindows& children, Tab tab, bool visible) {
    const int command = visible ? SW_SHOW : SW_HIDE;
    ::ShowWindow(children.frame(tab), command);
    switch (tab) {
        case Tab::about:
            for (HWND c : children.controls) {
                ::ShowWindow(c, command);
            }
            ::ShowWindow(children.line, command);
            break;
        case Tab::licence:
            ::ShowWindow(children.txtLicence, command);
            break;
        case Tab::credits:
            ::ShowWindow(children.txtCredits, command);
            break;
    }
}

void place_about_controls(const ChildWindows& children, const Scale& scale, const RECT& frame) {
    for (std::size_t i = 0; i < d::controls.size(); ++i) {
        const Geometry& g = d::controls[i].geometry;
        ::MoveWindow(children.controls[i], frame.left + scale.px(g.left), frame.top + scale.px(g.top),
                     scale.px(g.width), scale.px(g.height), TRUE);
    }
    // Line1 spans both of its lines: from the leftmost start to the common end,
    // from the grey line's top to the bottom of the wider white one.
    const d::Line& white = d::Line1[0];
    const d::Line& grey = d::Line1[1];
    const int left = scale.px(std::min(white.from.left, grey.from.left));
    const int right = scale.px(std::max(white.to.left, grey.to.left));
    const int top = scale.px(grey.from.top);
    const int bottom = scale.px(white.from.top) + ::MulDiv(white.width, static_cast<int>(scale.dpi), 96);
    ::MoveWindow(children.line, frame.left + left, frame.top + top, right - left, bottom - top, TRUE);
}

void centre_on_screen(HWND box, const Scale& scale) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(box, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& screen = monitor.rcMonitor;
    RECT window{};
    ::GetWindowRect(box, &window);
    const TwipPoint at = centred({scale.twips(screen.right - screen.left), scale.twips(screen.bottom - screen.top)},
                                 {scale.twips(window.right - window.left), scale.twips(window.bottom - window.top)});
    ::SetWindowPos(box, nullptr, screen.left + scale.px(at.left), screen.top + scale.px(at.top), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// What the font must fit: the texts the labels and buttons hold now, in the room
// the design gives them.
std::vector<FittedText> texts_to_fit(const ChildWindows& children, const Scale& scale) {
    std::vector<FittedText> texts;
    for (int i = 0; i < static_cast<int>(d::controls.size()); ++i) {
        const d::Control& c = d::controls[static_cast<std::size_t>(i)];
        if (c.kind == d::Kind::picture || i == d::lblTitle) {
            continue;  // the title is short and bold; it is not what decides
        }
        texts.push_back({window_text(children.control(i)), scale.px(c.geometry.width), scale.px(c.geometry.height),
                         c.kind == d::Kind::button});
    }
    return texts;
}

}  // namespace

int ChildWindows::index_of(HWND child) const {
    const auto found = std::find(controls.begin(), controls.end(), child);
    return found == controls.end() ? -1 : static_cast<int>(found - controls.begin());
}

ChildWindows create_child_windows(HWND box, const Scale& scale) {
    ChildWindows children{};
    // Creation order is the Z order, top first, and the tab order: the About tab's
    // controls, the rich-text boxes, the frames beneath them and the tab strip at
    // the bottom, under everything that stands on its page.
    for (int i = 0; i < static_cast<int>(d::controls.size()); ++i) {
        const d::Control& c = d::controls[static_cast<std::size_t>(i)];
        const int id = d::control_id(i);
        HWND created = nullptr;
        switch (c.kind) {
            case d::Kind::picture:
                created = create_child(box, WC_STATICW, u"", SS_OWNERDRAW, 0, id);
                break;
            case d::Kind::label: {
                // The three labels the mouse colours the link over report it.
                const bool notifies = i == d::lblEmail || i == d::Label2 || i == d::lblDescription;
                created = create_child(box, WC_STATICW, i == d::Label2 ? send_email_to : u"",
                                       SS_LEFT | SS_NOPREFIX | (notifies ? SS_NOTIFY : 0), 0, id);
                break;
            }
            case d::Kind::button:
                created = create_child(box, WC_BUTTONW, i == d::cmdOK ? d::ok_caption : d::sys_info_caption,
                                       WS_TABSTOP | (i == d::cmdOK ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0, id);
                break;
        }
        children.controls[static_cast<std::size_t>(i)] = created;
    }
    children.line = create_child(box, WC_STATICW, u"", SS_OWNERDRAW, 0, d::id_Line1);
    ::SetWindowTextW(children.control(d::lblEmail), wide(support_contact.data()));

    const SIZE document{scale.px(rich_text_geometry.width), scale.px(rich_text_geometry.height)};
    children.txtLicence = create_document_box(box, d::id_txtLicence, document);
    children.txtCredits = create_document_box(box, d::id_txtCredits, document);

    const int frame_ids[] = {d::id_fraAbout, d::id_fraLicence, d::id_fraCredits};
    for (std::size_t i = 0; i < children.frames.size(); ++i) {
        children.frames[i] =
            create_child(box, WC_BUTTONW, frame_captions[i], BS_GROUPBOX | WS_CLIPSIBLINGS, 0, frame_ids[i]);
    }

    children.tab = create_child(box, WC_TABCONTROLW, u"", WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0, d::id_tbsMain);
    for (std::size_t i = 0; i < tab_captions.size(); ++i) {
        std::u16string caption(tab_captions[i]);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = reinterpret_cast<wchar_t*>(caption.data());
        ::SendMessageW(children.tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    return children;
}

void lay_out_selected_tab(HWND box, const ChildWindows& children, const Scale& scale, PageBackground& background) {
    for (Tab tab : {Tab::about, Tab::licence, Tab::credits}) {
        show_frame(children, tab, false);
    }

    wchar_t text[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(std::size(text));
    const auto selected = static_cast<WPARAM>(::SendMessageW(children.tab, TCM_GETCURSEL, 0, 0));
    ::SendMessageW(children.tab, TCM_GETITEMW, selected, reinterpret_cast<LPARAM>(&item));
    const TabLayout layout = tab_layout(reinterpret_cast<const char16_t*>(text));

    if (layout.outer_size) {
        ::SetWindowPos(box, nullptr, 0, 0, scale.px(layout.outer_size->width), scale.px(layout.outer_size->height),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT client{};
    ::GetClientRect(box, &client);
    ::MoveWindow(children.tab, 0, 0, client.right, client.bottom, TRUE);
    // The page is the tab strip's display area; the strip stands at the client
    // origin, so its coordinates are the window's.
    RECT page = client;
    TabCtrl_AdjustRect(children.tab, FALSE, &page);
    background.refresh(children.tab);

    if (layout.shown) {
        const Tab shown = *layout.shown;
        ::MoveWindow(children.frame(shown), page.left, page.top, page.right - page.left, page.bottom - page.top, TRUE);
        if (shown == Tab::about) {
            place_about_controls(children, scale, page);
        } else if (layout.rich_text_box) {
            const Geometry& g = *layout.rich_text_box;
            ::MoveWindow(shown == Tab::licence ? children.txtLicence : children.txtCredits,
                         page.left + scale.px(g.left), page.top + scale.px(g.top), scale.px(g.width),
                         scale.px(g.height), TRUE);
        }
        show_frame(children, shown, true);
    }
    // The focus must not stay on a control that has just been hidden.
    const HWND focus = ::GetFocus();
    if (focus && ::IsChild(box, focus) && !::IsWindowVisible(focus)) {
        ::SetFocus(children.tab);
    }
    centre_on_screen(box, scale);
    // Everything on the page takes the page's new background.
    ::RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

Fonts fitting_fonts(HWND box, const ChildWindows& children, const Scale& scale) {
    Fonts fonts;
    const UniqueFont message = message_font(scale.dpi);
    LOGFONTW plain{};
    std::optional<LONG> height;
    if (message && ::GetObjectW(message.get(), sizeof(plain), &plain)) {
        height = fitting_height(box, plain, scale.dpi, texts_to_fit(children, scale));
    }
    if (height) {
        plain.lfHeight = *height;
        fonts.plain.reset(::CreateFontIndirectW(&plain));
    }
    if (!fonts.plain) {
        fonts.plain = message_font(scale.dpi);
    }
    plain = LOGFONTW{};
    ::GetObjectW(fonts.plain.get(), sizeof(plain), &plain);
    LOGFONTW bold = plain;
    bold.lfWeight = FW_BOLD;
    fonts.bold.reset(::CreateFontIndirectW(&bold));
    LOGFONTW underlined = plain;
    underlined.lfUnderline = TRUE;
    fonts.underlined.reset(::CreateFontIndirectW(&underlined));
    return fonts;
}

void set_fonts(const ChildWindows& children, const Fonts& fonts) {
    const auto set_font = [](HWND window, HFONT font) {
        ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    };
    for (HWND c : children.controls) {
        set_font(c, fonts.plain.get());
    }
    for (HWND f : children.frames) {
        set_font(f, fonts.plain.get());
    }
    set_font(children.tab, fonts.plain.get());
    set_font(children.control(d::lblTitle), fonts.bold ? fonts.bold.get() : fonts.plain.get());
}

std::array<Band, d::Line1.size()> separator_bands(const ChildWindows& children, const Scale& scale) {
    RECT placed{};
    ::GetWindowRect(children.line, &placed);
    ::MapWindowPoints(nullptr, children.frame(Tab::about), reinterpret_cast<POINT*>(&placed), 2);
    std::array<Band, d::Line1.size()> bands;
    for (std::size_t i = 0; i < bands.size(); ++i) {
        // The white band starts just below the grey one, at least a pixel wide.
        const d::Line& line = d::Line1[i];
        const int width = std::max(1, ::MulDiv(line.width, static_cast<int>(scale.dpi), 96));
        RECT& area = bands[i].area;
        area = {scale.px(line.from.left) - placed.left, scale.px(line.from.top) - placed.top,
                scale.px(line.to.left) - placed.left, 0};
        area.bottom = area.top + width;
        bands[i].colour = line.colour;
    }
    return bands;
}

}  // namespace tarvex::about
