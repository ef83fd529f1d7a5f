#include "ui/controls/row_tip_win.h"

#include <windowsx.h>

#include "ui/controls/window_class_win.h"
#include "base/platform_win.h"

namespace tarvex {
namespace {

// Wide enough for a formula line; longer lines wrap. Lines end at the breaks
// the text holds only when the tip has a width to wrap at.
constexpr int tip_width_px = 480;
// Long enough to read a formula and its replacement.
constexpr int tip_shown_ms = 30000;

}  // namespace

void RowTip::create(HWND owner, HWND list, TextOf text_of) {
    list_ = list;
    text_of_ = std::move(text_of);
    tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                             module_instance(), nullptr);
    if (tip_ == nullptr) {
        return;  // the list works without its tip
    }
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(list);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    ::SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, tip_width_px);
    ::SendMessageW(tip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, tip_shown_ms);
}

int RowTip::row_at(POINT client) const {
    LVHITTESTINFO hit{};
    hit.pt = client;
    return ListView_SubItemHitTest(list_, &hit) >= 0 && (hit.flags & LVHT_ONITEM) != 0 ? hit.iItem : -1;
}

bool RowTip::on_notify(NMHDR* header) {
    if (tip_ == nullptr || header->hwndFrom != tip_ || header->code != TTN_GETDISPINFOW) {
        return false;
    }
    auto& info = *reinterpret_cast<NMTTDISPINFOW*>(header);
    POINT at{};
    ::GetCursorPos(&at);
    ::ScreenToClient(list_, &at);
    row_ = row_at(at);
    text_ = row_ >= 0 && text_of_ ? text_of_(row_) : std::u16string();
    info.lpszText = const_cast<wchar_t*>(wide(text_));
    info.szText[0] = L'\0';
    return true;
}

void RowTip::pointer_moved(LPARAM at) {
    if (tip_ == nullptr || row_ < 0) {
        return;
    }
    if (row_at(POINT{GET_X_LPARAM(at), GET_Y_LPARAM(at)}) != row_) {
        row_ = -1;
        // Taken down and armed again: the next rest shows the new row's text.
        ::SendMessageW(tip_, TTM_POP, 0, 0);
        ::SendMessageW(tip_, TTM_ACTIVATE, FALSE, 0);
        ::SendMessageW(tip_, TTM_ACTIVATE, TRUE, 0);
    }
}

}  // namespace tarvex
