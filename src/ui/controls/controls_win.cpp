#include "ui/controls/controls_win.h"

#include <commctrl.h>

#include "base/steps.h"
#include "ui/controls/win_util_win.h"

namespace tarvex {

std::u16string ComboBoxWin::text() const {
    return window_text(combo_);
}

void ComboBoxWin::set_text(const std::u16string& text) {
    set_window_text(combo_, text);
}

void ComboBoxWin::clear() {
    ::SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
    ::SetWindowTextW(combo_, L"");
}

void ComboBoxWin::add_item(const std::u16string& item) {
    const LRESULT added = ::SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(item)));
    if (added == CB_ERR || added == CB_ERRSPACE) {
        throw TarvexError{7, error_text::out_of_memory};
    }
}

int CheckBoxWin::value() const {
    return ::SendMessageW(check_, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

int StatusBarWin::panel(std::u16string_view key) const {
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        if (keys_[i] == key) {
            return static_cast<int>(i);
        }
    }
    throw TarvexError{control_error::element_not_found, control_error::element_not_found_text};
}

void StatusBarWin::set_text(std::u16string_view key, const std::u16string& text) {
    const int index = panel(key);
    ::SendMessageW(bar_, SB_SETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide(text)));
    // The command goes on without pumping messages: show its progress now.
    ::UpdateWindow(bar_);
}

std::u16string StatusBarWin::text(std::u16string_view key) const {
    const int index = panel(key);
    const auto length = LOWORD(::SendMessageW(bar_, SB_GETTEXTLENGTHW, static_cast<WPARAM>(index), 0));
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    ::SendMessageW(bar_, SB_GETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}

namespace {
MousePointer current_pointer = MousePointer::standard;
}

void ScreenWin::set_mouse_pointer(MousePointer pointer) {
    current_pointer = pointer;
    ::SetCursor(::LoadCursorW(nullptr, pointer == MousePointer::hourglass ? IDC_WAIT : IDC_ARROW));
}

bool ScreenWin::apply_pointer() {
    if (current_pointer != MousePointer::hourglass) {
        return false;
    }
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    return true;
}

MessageAnswer MessageBoxesWin::show(const MessageRequest& request) {
    UINT flags = MB_SETFOREGROUND;
    switch (request.buttons) {
        case MessageButtons::ok:
            flags |= MB_OK;
            break;
        case MessageButtons::yes_no:
            flags |= MB_YESNO;
            break;
        case MessageButtons::abort_retry_ignore:
            flags |= MB_ABORTRETRYIGNORE;
            break;
    }
    if (request.icon == MessageIcon::critical) {
        flags |= MB_ICONHAND;
    } else if (request.icon == MessageIcon::exclamation) {
        flags |= MB_ICONEXCLAMATION;
    }
    flags |= request.default_button == 3 ? MB_DEFBUTTON3 : request.default_button == 2 ? MB_DEFBUTTON2 : MB_DEFBUTTON1;
    const std::u16string title = request.title.empty() ? std::u16string(application_title) : request.title;
    HWND owner = owner_ && ::IsWindow(owner_) ? owner_ : nullptr;
    switch (::MessageBoxW(owner, wide(request.text), wide(title), flags)) {
        case IDYES:
            return MessageAnswer::yes;
        case IDNO:
            return MessageAnswer::no;
        case IDABORT:
            return MessageAnswer::abort;
        case IDRETRY:
            return MessageAnswer::retry;
        case IDIGNORE:
            return MessageAnswer::ignore;
        default:
            return MessageAnswer::ok;
    }
}

char16_t user_decimal_separator() {
    wchar_t separator[8] = {};
    if (::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) > 0 && separator[0] != L'\0') {
        return static_cast<char16_t>(separator[0]);
    }
    return u'.';
}

}  // namespace tarvex
