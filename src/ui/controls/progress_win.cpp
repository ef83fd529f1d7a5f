#include "ui/controls/progress_win.h"

#include "ui/controls/dialog_keyboard_win.h"

namespace tarvex {
namespace {

// At most ten updates a second: painting the status bar costs more than a host call.
constexpr ULONGLONG report_interval_ms = 100;

}  // namespace

void CommandProgressWin::start() {
    stopped_ = false;
    last_shown_ = 0;
}

void CommandProgressWin::report(const std::u16string& text) {
    const ULONGLONG now = ::GetTickCount64();
    if (last_shown_ != 0 && now - last_shown_ < report_interval_ms) {
        return;
    }
    last_shown_ = now;
    status_.set_text(key_, text);
}

bool CommandProgressWin::stop_requested() {
    if (stopped_ || window_ == nullptr) {
        return stopped_;
    }
    // Only when a key (typed, or posted as one) may wait and no other thread's
    // message does: looking into the queue would deliver those, and nothing may
    // run in the meantime.
    const DWORD waiting = HIWORD(::GetQueueStatus(QS_KEY | QS_POSTMESSAGE | QS_SENDMESSAGE));
    if ((waiting & (QS_KEY | QS_POSTMESSAGE)) != 0 && (waiting & QS_SENDMESSAGE) == 0) {
        MSG message{};
        if (::PeekMessageW(&message, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE | PM_NOYIELD) &&
            message.wParam == VK_ESCAPE && (message.hwnd == window_ || ::IsChild(window_, message.hwnd))) {
            // Taken out, so that it does not also close the window afterwards.
            const DialogKeyboardPause as_is;
            ::PeekMessageW(&message, message.hwnd, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE | PM_NOYIELD);
            stopped_ = true;
        }
    }
    // Held down in the window before its message arrived.
    if (!stopped_ && ::GetActiveWindow() == window_ && (::GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0) {
        stopped_ = true;
    }
    return stopped_;
}

}  // namespace tarvex
