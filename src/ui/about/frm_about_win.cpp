#include "ui/about/frm_about_win.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "base/module_win.h"
#include "settings/registry_win.h"
#include "ui/about/about.h"
#include "ui/about/about_resources.h"
#include "ui/about/sys_info.h"
#include "ui/about/system_win.h"
#include "ui/controls/controls_win.h"
#include "ui/controls/dialog_keyboard_win.h"
#include "ui/controls/win_util_win.h"
#include "ui/controls/window_base_win.h"
#include "ui/controls/window_class_win.h"

namespace tarvex {
namespace {

namespace d = about::design;

constexpr wchar_t window_class[] = L"Tarvex.frmAbout.Window";
// The icon in the DLL's resources, the main window's too.
constexpr int icon_resource = 1;

struct LibraryDeleter {
    void operator()(HMODULE module) const noexcept { ::FreeLibrary(module); }
};
using UniqueLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryDeleter>;

struct GdiDeleter {
    void operator()(HGDIOBJ object) const noexcept { ::DeleteObject(object); }
};
using UniqueBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiDeleter>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiDeleter>;

// A memory DC with one bitmap selected into it for as long as it lives.
class MemoryCanvas {
public:
    MemoryCanvas(HDC like, HBITMAP bitmap) : dc_(::CreateCompatibleDC(like)) {
        if (dc_) {
            old_ = ::SelectObject(dc_, bitmap);
        }
    }
    ~MemoryCanvas() {
        if (dc_) {
            ::SelectObject(dc_, old_);
            ::DeleteDC(dc_);
        }
    }
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~WindowDc() {
        if (dc_) {
            ::ReleaseDC(window_, dc_);
        }
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

HMODULE resource_override = nullptr;

HMODULE resource_module() {
    return resource_override ? resource_override : module_instance();
}

COLORREF colorref(about::Rgb rgb) {
    return RGB(rgb.red, rgb.green, rgb.blue);
}

// Rich edit 4.1 from the system folder only: a Msftedit.dll beside the host's
// executable or in its current folder is not ours to load.
UniqueLibrary load_rich_edit() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return UniqueLibrary();
    }
    const std::wstring path = std::wstring(folder, length) + L"\\Msftedit.dll";
    return UniqueLibrary(::LoadLibraryW(path.c_str()));
}

struct RtfSource {
    const char* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
};

DWORD CALLBACK read_rtf(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<RtfSource*>(cookie);
    const std::size_t left = source->size - source->position;
    const std::size_t count = std::min(left, static_cast<std::size_t>(wanted > 0 ? wanted : 0));
    std::memcpy(buffer, source->data + source->position, count);
    source->position += count;
    *given = static_cast<LONG>(count);
    return 0;
}

// Fills a rich-text box from one of the RTF documents stored in the DLL. A
// missing document leaves the box empty.
void stream_document(HWND box, int resource) {
    const HMODULE module = resource_module();
    const HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(resource), MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!found) {
        return;
    }
    const HGLOBAL loaded = ::LoadResource(module, found);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) {
        return;
    }
    RtfSource source{static_cast<const char*>(data), ::SizeofResource(module, found), 0};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = read_rtf;
    ::SendMessageW(box, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    ::SendMessageW(box, EM_SETSEL, 0, 0);
    ::SendMessageW(box, WM_VSCROLL, SB_TOP, 0);
}

// What a subclassed control is to the box.
enum class Role : UINT_PTR { label_link, label_Label2, label_lblDescription, tab_strip, frame };

class FrmAbout final : private WindowBase {
public:
    void show();
    void unload();
    HWND hwnd() const { return hwnd_; }
    bool link_hot() const { return link_.hot(); }

private:
    HWND control(int index) const { return controls_[static_cast<std::size_t>(index)]; }
    HWND frame(about::Tab tab) const { return frames_[static_cast<std::size_t>(tab)]; }

    void load();
    void create_controls();
    HWND create_child(const wchar_t* cls, const std::u16string_view& text, DWORD style, DWORD ex_style, int id);
    void apply_fonts();
    UniqueFont fitting_font(UINT dpi) const;
    bool text_fits(HFONT font) const;
    void load_picture();
    void run_load_steps();
    void tab_layout();
    void show_frame(about::Tab tab, bool visible);
    void place_about_controls(const RECT& frame);
    void centre_on_screen();
    void refresh_page_brush();
    void paint_page(HDC dc, HWND painted, const RECT& area);
    LRESULT on_ctl_color(HDC dc, HWND child);
    void on_draw_item(const DRAWITEMSTRUCT& item);
    void pointer_moved(about::PointerOver where);
    void on_command(int id, int code);
    void next_control(WPARAM wparam, LPARAM lparam);
    void cmdOK_Click();
    LRESULT window_proc(UINT message, WPARAM wparam, LPARAM lparam) override;
    static LRESULT CALLBACK subclass_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR role,
                                          DWORD_PTR self);

    // Keeps the box off the task bar: an unowned window gets a button there, a
    // window owned by a hidden one does not. The main window is not the owner, so
    // the box does not follow it in front of the host or into a minimised state.
    UniqueWindow owner_;
    HWND tab_ = nullptr;
    std::array<HWND, 3> frames_{};
    HWND txtLicence_ = nullptr;
    HWND txtCredits_ = nullptr;
    std::array<HWND, d::controls.size()> controls_{};
    HWND line_ = nullptr;
    HWND focus_ = nullptr;  // the control that had the focus when the box was last active

    Scale scale_;
    UniqueFont font_;
    UniqueFont bold_font_;
    UniqueFont link_font_;
    WindowIcons icons_;
    UniqueIcon picture_;
    // The tab strip's page as drawn, used as the background of everything that
    // stands on it, so that labels and frames match a themed tab page.
    UniqueBitmap page_bitmap_;
    UniqueBrush page_brush_;
    UniqueLibrary rich_edit_;
    about::MailLink link_;
    std::optional<module::Lock> lock_;

    RegistryWin registry_;
    about::SystemWin system_{hwnd_};
    MessageBoxesWin messages_{hwnd_};
};

void FrmAbout::show() {
    load();
    if (!hwnd_) {
        return;
    }
    ::ShowWindow(hwnd_, SW_SHOW);
    ::SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetForegroundWindow(hwnd_);
}

void FrmAbout::unload() {
    if (hwnd_) {
        destroy_window();
    }
    // Only after the box has gone: destroying the owner first would take the box
    // with it halfway through its own destruction.
    owner_.reset();
}

void FrmAbout::load() {
    if (hwnd_) {
        return;
    }
    // WM_ERASEBKGND paints the tab page: no class brush.
    register_class(window_class, 0, nullptr);

    ActivationScope activation;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    rich_edit_ = load_rich_edit();

    owner_.reset();
    // A system class: should the box ever be destroyed without its owner, the
    // owner left behind runs no code of this DLL.
    owner_.reset(
        ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, module_instance(), nullptr));

    const UINT dpi = window_dpi(nullptr);
    const Scale design{dpi};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD ex_style = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    // Created at the About tab's size; the tab layout sizes and centres it before
    // it is first seen.
    ::CreateWindowExW(ex_style, window_class, wide(about::caption.data()), style, 0, 0,
                      design.px(about::about_outer_size.width), design.px(about::about_outer_size.height), owner_.get(),
                      nullptr, module_instance(), creation_parameter());
    if (!hwnd_) {
        owner_.reset();
        rich_edit_.reset();
    }
}

HWND FrmAbout::create_child(const wchar_t* cls, const std::u16string_view& text, DWORD style, DWORD ex_style, int id) {
    const std::u16string caption(text);
    return ::CreateWindowExW(ex_style, cls, wide(caption), WS_CHILD | style, 0, 0, 0, 0, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module_instance(), nullptr);
}

void FrmAbout::create_controls() {
    // Creation order is the Z order, top first, and the tab order: the About tab's
    // controls, the rich-text boxes, the frames beneath them and the tab strip at
    // the bottom, under everything that stands on its page.
    for (int i = 0; i < static_cast<int>(d::controls.size()); ++i) {
        const d::Control& c = d::controls[static_cast<std::size_t>(i)];
        const int id = d::control_id(i);
        HWND created = nullptr;
        switch (c.kind) {
            case d::Kind::picture:
                created = create_child(WC_STATICW, u"", SS_OWNERDRAW, 0, id);
                break;
            case d::Kind::label: {
                // The three labels the mouse colours the link over report it.
                const bool notifies = i == d::lblEmail || i == d::Label2 || i == d::lblDescription;
                created = create_child(WC_STATICW, i == d::Label2 ? about::send_email_to : u"",
                                       SS_LEFT | SS_NOPREFIX | (notifies ? SS_NOTIFY : 0), 0, id);
                break;
            }
            case d::Kind::button:
                created = create_child(WC_BUTTONW, i == d::cmdOK ? d::ok_caption : d::sys_info_caption,
                                       WS_TABSTOP | (i == d::cmdOK ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0, id);
                break;
        }
        controls_[static_cast<std::size_t>(i)] = created;
    }
    line_ = create_child(WC_STATICW, u"", SS_OWNERDRAW, 0, d::id_Line1);
    ::SetWindowTextW(control(d::lblEmail), wide(about::support_contact.data()));

    // Read-only, wrapped to the box, with a vertical scroll bar that stays (greyed
    // when the document fits), so the two documents look alike whatever their length.
    const DWORD document_style =
        WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_DISABLENOSCROLL;
    txtLicence_ = create_child(MSFTEDIT_CLASS, u"", document_style, WS_EX_CLIENTEDGE, d::id_txtLicence);
    txtCredits_ = create_child(MSFTEDIT_CLASS, u"", document_style, WS_EX_CLIENTEDGE, d::id_txtCredits);
    // At their own size before the documents stream in: a box that takes its text
    // while it has no size keeps a scroll position that hides the first line.
    for (HWND document : {txtLicence_, txtCredits_}) {
        ::MoveWindow(document, 0, 0, scale_.px(about::rich_text_geometry.width),
                     scale_.px(about::rich_text_geometry.height), FALSE);
    }

    const int frame_ids[] = {d::id_fraAbout, d::id_fraLicence, d::id_fraCredits};
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        frames_[i] = create_child(WC_BUTTONW, about::frame_captions[i], BS_GROUPBOX | WS_CLIPSIBLINGS, 0, frame_ids[i]);
        ::SetWindowSubclass(frames_[i], subclass_proc, static_cast<UINT_PTR>(Role::frame),
                            reinterpret_cast<DWORD_PTR>(this));
    }

    tab_ = create_child(WC_TABCONTROLW, u"", WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0, d::id_tbsMain);
    for (std::size_t i = 0; i < about::tab_captions.size(); ++i) {
        std::u16string caption(about::tab_captions[i]);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = reinterpret_cast<wchar_t*>(caption.data());
        ::SendMessageW(tab_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }

    const std::pair<HWND, Role> hooked[] = {
        {control(d::lblEmail), Role::label_link},
        {control(d::Label2), Role::label_Label2},
        {control(d::lblDescription), Role::label_lblDescription},
        {tab_, Role::tab_strip},
    };
    for (const auto& [window, role] : hooked) {
        ::SetWindowSubclass(window, subclass_proc, static_cast<UINT_PTR>(role), reinterpret_cast<DWORD_PTR>(this));
    }
}

// The About tab's geometry was drawn for the small dialog font of its day; the
// message font of today's systems is larger, and a label that cannot hold its
// text wraps it out of sight. The box therefore takes the message font, a pixel
// smaller at a time until every label and button shows all of its text, and
// never smaller than 7 points.
UniqueFont FrmAbout::fitting_font(UINT dpi) const {
    const UniqueFont message = message_font(dpi);
    LOGFONTW font{};
    if (!message || !::GetObjectW(message.get(), sizeof(font), &font)) {
        return message_font(dpi);
    }
    const int smallest = ::MulDiv(7, static_cast<int>(dpi), 72);
    const int step = font.lfHeight < 0 ? 1 : -1;  // towards zero is smaller
    for (;;) {
        UniqueFont candidate(::CreateFontIndirectW(&font));
        if (!candidate || std::abs(font.lfHeight) <= smallest || text_fits(candidate.get())) {
            return candidate ? std::move(candidate) : message_font(dpi);
        }
        font.lfHeight += step;
    }
}

bool FrmAbout::text_fits(HFONT font) const {
    const WindowDc screen(hwnd_);
    if (!screen.get()) {
        return true;
    }
    const HGDIOBJ before = ::SelectObject(screen.get(), font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(screen.get(), &metrics);
    bool fits = true;
    for (int i = 0; i < static_cast<int>(d::controls.size()) && fits; ++i) {
        const d::Control& c = d::controls[static_cast<std::size_t>(i)];
        if (c.kind == d::Kind::picture || i == d::lblTitle) {
            continue;  // the title is short and bold; it is not what decides
        }
        std::u16string text = window_text(control(i));
        // A button needs room for its frame around the text; its "&" shows nothing.
        int margin = 0;
        if (c.kind == d::Kind::button) {
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
            fits = fits && extent.cx + margin <= scale_.px(c.geometry.width);
            ++lines;
            start = end + 2;
        }
        fits = fits && std::max(lines, 1) * metrics.tmHeight <= scale_.px(c.geometry.height);
    }
    ::SelectObject(screen.get(), before);
    return fits;
}

void FrmAbout::apply_fonts() {
    font_ = fitting_font(scale_.dpi);
    LOGFONTW plain{};
    ::GetObjectW(font_.get(), sizeof(plain), &plain);
    LOGFONTW bold = plain;
    bold.lfWeight = FW_BOLD;
    bold_font_.reset(::CreateFontIndirectW(&bold));
    LOGFONTW underlined = plain;
    underlined.lfUnderline = TRUE;
    link_font_.reset(::CreateFontIndirectW(&underlined));

    const auto set_font = [](HWND window, HFONT font) {
        ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    };
    for (HWND c : controls_) {
        set_font(c, font_.get());
    }
    for (HWND f : frames_) {
        set_font(f, font_.get());
    }
    set_font(tab_, font_.get());
    set_font(control(d::lblTitle), bold_font_ ? bold_font_.get() : font_.get());
    set_font(control(d::lblEmail), link_.underlined() && link_font_ ? link_font_.get() : font_.get());
}

void FrmAbout::load_picture() {
    const int size = scale_.px(d::controls[d::picIcon].geometry.width);
    picture_.reset(static_cast<HICON>(
        ::LoadImageW(resource_module(), MAKEINTRESOURCEW(icon_resource), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    icons_ = set_window_icons(hwnd_, resource_module(), icon_resource);
}

void FrmAbout::run_load_steps() {
    set_window_text(hwnd_, std::u16string(about::caption));
    set_window_text(control(d::lblVersion), about::version_line(about::product_version));
    set_window_text(control(d::lblTitle), std::u16string(about::title));
    set_window_text(control(d::lblDescription), u"");
    set_window_text(control(d::lblDescription), about::description_text());
    stream_document(txtLicence_, TARVEX_IDR_LICENCE);
    stream_document(txtCredits_, TARVEX_IDR_CREDITS);
}

void FrmAbout::show_frame(about::Tab tab, bool visible) {
    const int command = visible ? SW_SHOW : SW_HIDE;
    ::ShowWindow(frame(tab), command);
    switch (tab) {
        case about::Tab::about:
            for (HWND c : controls_) {
                ::ShowWindow(c, command);
            }
            ::ShowWindow(line_, command);
            break;
        case about::Tab::licence:
            ::ShowWindow(txtLicence_, command);
            break;
        case about::Tab::credits:
            ::ShowWindow(txtCredits_, command);
            break;
    }
}

void FrmAbout::place_about_controls(const RECT& frame) {
    for (std::size_t i = 0; i < d::controls.size(); ++i) {
        const Geometry& g = d::controls[i].geometry;
        ::MoveWindow(controls_[i], frame.left + scale_.px(g.left), frame.top + scale_.px(g.top), scale_.px(g.width),
                     scale_.px(g.height), TRUE);
    }
    // Line1 spans both of its lines: from the leftmost start to the common end,
    // from the grey line's top to the bottom of the wider white one.
    const d::Line& white = d::Line1[0];
    const d::Line& grey = d::Line1[1];
    const int left = scale_.px(std::min(white.from.left, grey.from.left));
    const int right = scale_.px(std::max(white.to.left, grey.to.left));
    const int top = scale_.px(grey.from.top);
    const int bottom = scale_.px(white.from.top) + ::MulDiv(white.width, static_cast<int>(scale_.dpi), 96);
    ::MoveWindow(line_, frame.left + left, frame.top + top, right - left, bottom - top, TRUE);
}

void FrmAbout::tab_layout() {
    for (about::Tab tab : {about::Tab::about, about::Tab::licence, about::Tab::credits}) {
        show_frame(tab, false);
    }

    wchar_t text[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(std::size(text));
    const auto selected = static_cast<WPARAM>(::SendMessageW(tab_, TCM_GETCURSEL, 0, 0));
    ::SendMessageW(tab_, TCM_GETITEMW, selected, reinterpret_cast<LPARAM>(&item));
    const about::TabLayout layout = about::tab_layout(reinterpret_cast<const char16_t*>(text));

    if (layout.outer_size) {
        ::SetWindowPos(hwnd_, nullptr, 0, 0, scale_.px(layout.outer_size->width), scale_.px(layout.outer_size->height),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    ::MoveWindow(tab_, 0, 0, client.right, client.bottom, TRUE);
    // The page is the tab strip's display area; the strip stands at the client
    // origin, so its coordinates are the window's.
    RECT page = client;
    TabCtrl_AdjustRect(tab_, FALSE, &page);
    refresh_page_brush();

    if (layout.shown) {
        const about::Tab shown = *layout.shown;
        ::MoveWindow(frame(shown), page.left, page.top, page.right - page.left, page.bottom - page.top, TRUE);
        if (shown == about::Tab::about) {
            place_about_controls(page);
        } else if (layout.rich_text_box) {
            const Geometry& g = *layout.rich_text_box;
            ::MoveWindow(shown == about::Tab::licence ? txtLicence_ : txtCredits_, page.left + scale_.px(g.left),
                         page.top + scale_.px(g.top), scale_.px(g.width), scale_.px(g.height), TRUE);
        }
        show_frame(shown, true);
    }
    // The focus must not stay on a control that has just been hidden.
    const HWND focus = ::GetFocus();
    if (focus && ::IsChild(hwnd_, focus) && !::IsWindowVisible(focus)) {
        ::SetFocus(tab_);
    }
    centre_on_screen();
    // Everything on the page takes the page's new background.
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void FrmAbout::centre_on_screen() {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& screen = monitor.rcMonitor;
    RECT window{};
    ::GetWindowRect(hwnd_, &window);
    const about::TwipPoint at =
        about::centred({scale_.twips(screen.right - screen.left), scale_.twips(screen.bottom - screen.top)},
                       {scale_.twips(window.right - window.left), scale_.twips(window.bottom - window.top)});
    ::SetWindowPos(hwnd_, nullptr, screen.left + scale_.px(at.left), screen.top + scale_.px(at.top), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FrmAbout::refresh_page_brush() {
    // Drawn with the plain dialog colour while the strip paints itself, in case it
    // asks its parent for the background behind its tabs.
    page_brush_.reset();
    page_bitmap_.reset();
    RECT area{};
    ::GetClientRect(tab_, &area);
    if (area.right <= 0 || area.bottom <= 0) {
        return;
    }
    const WindowDc screen(tab_);
    UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), area.right, area.bottom));
    if (!bitmap) {
        return;
    }
    {
        const MemoryCanvas canvas(screen.get(), bitmap.get());
        if (!canvas.get()) {
            return;
        }
        ::FillRect(canvas.get(), &area, ::GetSysColorBrush(COLOR_BTNFACE));
        ::SendMessageW(tab_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.get()), PRF_CLIENT | PRF_ERASEBKGND);
    }
    page_brush_.reset(::CreatePatternBrush(bitmap.get()));
    page_bitmap_ = std::move(bitmap);
}

// Fills `area` (in `painted`'s client coordinates) with the tab page as it shows
// behind that window.
void FrmAbout::paint_page(HDC dc, HWND painted, const RECT& area) {
    if (!page_brush_) {
        ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    POINT origin{0, 0};
    ::MapWindowPoints(painted, tab_, &origin, 1);
    POINT viewport{};
    ::GetViewportOrgEx(dc, &viewport);
    ::SetBrushOrgEx(dc, viewport.x - origin.x, viewport.y - origin.y, nullptr);
    ::FillRect(dc, &area, page_brush_.get());
}

LRESULT FrmAbout::on_ctl_color(HDC dc, HWND child) {
    COLORREF text = ::GetSysColor(COLOR_WINDOWTEXT);
    if (child == control(d::lblTitle) || child == control(d::lblDescription)) {
        text = colorref(about::black);
    } else if (child == control(d::lblEmail)) {
        text = colorref(link_.colour());
    }
    ::SetTextColor(dc, text);
    ::SetBkMode(dc, TRANSPARENT);
    if (!page_brush_) {
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    // The control fills itself with the brush: line the pattern up with the page.
    POINT origin{0, 0};
    ::MapWindowPoints(child, tab_, &origin, 1);
    POINT viewport{};
    ::GetViewportOrgEx(dc, &viewport);
    ::SetBrushOrgEx(dc, viewport.x - origin.x, viewport.y - origin.y, nullptr);
    return reinterpret_cast<LRESULT>(page_brush_.get());
}

void FrmAbout::on_draw_item(const DRAWITEMSTRUCT& item) {
    paint_page(item.hDC, item.hwndItem, item.rcItem);
    if (item.hwndItem == control(d::picIcon)) {
        if (picture_) {
            ::DrawIconEx(item.hDC, item.rcItem.left, item.rcItem.top, picture_.get(),
                         item.rcItem.right - item.rcItem.left, item.rcItem.bottom - item.rcItem.top, 0, nullptr,
                         DI_NORMAL);
        }
        return;
    }
    if (item.hwndItem != line_) {
        return;
    }
    // Each line as a filled band: its pixels are then exact at any width, with the
    // white band starting just below the grey one.
    RECT placed{};
    ::GetWindowRect(line_, &placed);
    ::MapWindowPoints(nullptr, frame(about::Tab::about), reinterpret_cast<POINT*>(&placed), 2);
    for (const d::Line& line : d::Line1) {
        const int width = std::max(1, ::MulDiv(line.width, static_cast<int>(scale_.dpi), 96));
        RECT band{scale_.px(line.from.left) - placed.left, scale_.px(line.from.top) - placed.top,
                  scale_.px(line.to.left) - placed.left, 0};
        band.bottom = band.top + width;
        const COLORREF colour = colorref(line.colour);
        const COLORREF before = ::SetBkColor(item.hDC, colour);
        ::ExtTextOutW(item.hDC, 0, 0, ETO_OPAQUE, &band, nullptr, 0, nullptr);
        ::SetBkColor(item.hDC, before);
    }
}

void FrmAbout::pointer_moved(about::PointerOver where) {
    if (!link_.pointer_moved(where)) {
        return;
    }
    HWND link = control(d::lblEmail);
    ::SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(link_.underlined() ? link_font_.get() : font_.get()),
                   FALSE);
    ::InvalidateRect(link, nullptr, TRUE);
}

void FrmAbout::cmdOK_Click() {
    ::ShowWindow(hwnd_, SW_HIDE);
    unload();
}

void FrmAbout::on_command(int id, int code) {
    switch (id) {
        case d::id_ok:
        case d::id_cancel:
            // Enter, Esc and a click on OK all arrive here.
            cmdOK_Click();
            break;
        case d::control_id(d::cmdSysInfo):
            if (code == BN_CLICKED) {
                about::StartSysInfo(registry_, system_, messages_);
            }
            break;
        case d::control_id(d::lblEmail):
            if (code == STN_CLICKED) {
                about::open_mail_link(system_, about::product_version);
            }
            break;
        default:
            break;
    }
}

// Rich edit in dialog mode moves the focus with WM_NEXTDLGCTL, which only a
// dialog's own procedure understands: the box is not a dialog, so it answers the
// message the same way.
void FrmAbout::next_control(WPARAM wparam, LPARAM lparam) {
    HWND target = nullptr;
    if (LOWORD(lparam)) {
        target = reinterpret_cast<HWND>(wparam);
    } else {
        const HWND focus = ::GetFocus();
        target = ::GetNextDlgTabItem(hwnd_, ::IsChild(hwnd_, focus) ? focus : nullptr, wparam != 0);
    }
    if (target && ::IsChild(hwnd_, target)) {
        ::SetFocus(target);
    }
}

LRESULT FrmAbout::window_proc(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            lock_.emplace();
            scale_.dpi = window_dpi(hwnd_);
            create_controls();
            load_picture();
            run_load_steps();
            // The font is chosen for the texts the labels now hold.
            apply_fonts();
            // The first tab is selected when the box loads.
            tab_layout();
            focus_ = control(d::cmdOK);
            attach_dialog_keyboard(hwnd_);
            return 0;
        case WM_ACTIVATE:
            // A window that is not a dialog forgets its focused control when it is
            // deactivated; the box remembers it, as a dialog would.
            if (LOWORD(wparam) == WA_INACTIVE) {
                const HWND focus = ::GetFocus();
                if (focus && ::IsChild(hwnd_, focus)) {
                    focus_ = focus;
                }
            } else if (focus_ && ::IsWindow(focus_) && ::IsWindowVisible(focus_)) {
                ::SetFocus(focus_);
            } else {
                ::SetFocus(tab_);
            }
            return 0;
        case WM_ERASEBKGND: {
            RECT area{};
            ::GetClientRect(hwnd_, &area);
            paint_page(reinterpret_cast<HDC>(wparam), hwnd_, area);
            return 1;
        }
        case WM_PRINTCLIENT: {
            RECT area{};
            ::GetClientRect(hwnd_, &area);
            paint_page(reinterpret_cast<HDC>(wparam), hwnd_, area);
            return 0;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return on_ctl_color(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
        case WM_DRAWITEM:
            on_draw_item(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
            return TRUE;
        case WM_MOUSEMOVE:
            pointer_moved(about::PointerOver::window_surface);
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lparam);
            if (header->hwndFrom == tab_ && header->code == TCN_SELCHANGE) {
                tab_layout();
            }
            return 0;
        }
        case DM_GETDEFID:
            return MAKELRESULT(d::id_ok, DC_HASDEFID);
        case WM_NEXTDLGCTL:
            next_control(wparam, lparam);
            return 0;
        case WM_COMMAND:
            on_command(LOWORD(wparam), HIWORD(wparam));
            return 0;
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
        case WM_THEMECHANGED:
            // The message font or the colours may have changed; the box keeps its
            // size and place, which only a tab change or a new DPI moves.
            ::SendMessageW(tab_, message, wparam, lparam);
            apply_fonts();
            refresh_page_brush();
            ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
            return 0;
        case WM_DPICHANGED:
            scale_.dpi = HIWORD(wparam);
            apply_fonts();
            load_picture();
            tab_layout();
            return 0;
        case WM_CLOSE:
            unload();
            return 0;
        case WM_DESTROY:
            detach_dialog_keyboard(hwnd_);
            return 0;
        case WM_NCDESTROY:
            hwnd_ = nullptr;
            tab_ = nullptr;
            frames_.fill(nullptr);
            controls_.fill(nullptr);
            txtLicence_ = nullptr;
            txtCredits_ = nullptr;
            line_ = nullptr;
            focus_ = nullptr;
            link_ = about::MailLink();
            font_.reset();
            bold_font_.reset();
            link_font_.reset();
            icons_ = WindowIcons{};
            picture_.reset();
            page_brush_.reset();
            page_bitmap_.reset();
            // The rich-text boxes are gone by now: their library may go too.
            rich_edit_.reset();
            lock_.reset();
            return 0;
        default:
            return ::DefWindowProcW(hwnd_, message, wparam, lparam);
    }
}

LRESULT CALLBACK FrmAbout::subclass_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR role,
                                         DWORD_PTR data) {
    auto* self = reinterpret_cast<FrmAbout*>(data);
    try {
        switch (message) {
            case WM_NCDESTROY:
                ::RemoveWindowSubclass(hwnd, subclass_proc, role);
                break;
            case WM_NCHITTEST:
                // A frame, and the labels that ignore the mouse, let it through to
                // the strip beneath; the strip keeps it, page and all, so a move over
                // any of them leaves the link as it is instead of reaching the
                // window's own surface.
                if (static_cast<Role>(role) == Role::tab_strip) {
                    return HTCLIENT;
                }
                break;
            case WM_ERASEBKGND:
                // A frame paints only its border and caption; the page shows through.
                if (static_cast<Role>(role) == Role::frame) {
                    RECT area{};
                    ::GetClientRect(hwnd, &area);
                    self->paint_page(reinterpret_cast<HDC>(wparam), hwnd, area);
                    return 1;
                }
                break;
            case WM_MOUSEMOVE:
                switch (static_cast<Role>(role)) {
                    case Role::label_link:
                        self->pointer_moved(about::PointerOver::mail_link);
                        break;
                    case Role::label_Label2:
                        self->pointer_moved(about::PointerOver::Label2);
                        break;
                    case Role::label_lblDescription:
                        self->pointer_moved(about::PointerOver::lblDescription);
                        break;
                    default:
                        self->pointer_moved(about::PointerOver::elsewhere);
                        break;
                }
                break;
            case WM_SETCURSOR:
                if (static_cast<Role>(role) == Role::label_link) {
                    ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
                    return TRUE;
                }
                break;
            default:
                break;
        }
    } catch (...) {
        // Fall through to the control's own handling.
    }
    return ::DefSubclassProc(hwnd, message, wparam, lparam);
}

FrmAbout& instance() {
    static FrmAbout box;
    return box;
}

}  // namespace

void show_about_box() noexcept {
    try {
        instance().show();
    } catch (...) {
        // The box could not be built; the main window goes on without it.
    }
}

void unload_about_box() noexcept {
    try {
        instance().unload();
    } catch (...) {
        // Called while the main window unloads: nothing may stop that.
    }
}

HWND about_box_handle() noexcept {
    return instance().hwnd();
}

bool about_link_hot() noexcept {
    return instance().link_hot();
}

void use_about_resources_from(HMODULE module) noexcept {
    resource_override = module;
}

}  // namespace tarvex
