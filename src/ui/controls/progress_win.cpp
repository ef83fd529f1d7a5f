#include "ui/controls/progress_win.h"

#include "ui/controls/dialog_keyboard_win.h"

namespace tarvex {

void CommandProgressWin::start() {
    stopped_ = false;
    pace_.start(::GetTickCount64());
}

CommandProgress::Checkpoint CommandProgressWin::checkpoint() {
    const ULONGLONG now = ::GetTickCount64();
    if (!stopped_ && window_ != nullptr && pace_.look_now(now)) {
        stopped_ = esc_waiting();
    }
    return Checkpoint{stopped_, pace_.report_due(now)};
}

void CommandProgressWin::report(const std::u16string& text) {
    pace_.reported(::GetTickCount64());
    status_.set_text(key_, text);
}

bool CommandProgressWin::esc_waiting() {
    // Only when a key (typed, or posted as one) may wait and no other thread's
    // message does: looking into the queue would deliver those, and nothing may
    // run in the meantime.
    const DWORD waiting = HIWORD(::GetQueueStatus(QS_KEY | QS_POSTMESSAGE | QS_SENDMESSAGE));
    if ((waiting & (QS_KEY | QS_POSTMESSAGE)) == 0 || (waiting & QS_SENDMESSAGE) != 0) {
        return false;
    }
    MSG message{};
    if (!::PeekMessageW(&message, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE | PM_NOYIELD) ||
        message.wParam != VK_ESCAPE || (message.hwnd != window_ && !::IsChild(window_, message.hwnd))) {
        return false;
    }
    // Taken out, so that it does not also close the window afterwards.
    const DialogKeyboardPause as_is;
    ::PeekMessageW(&message, message.hwnd, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE | PM_NOYIELD);
    return true;
}

}  // namespace tarvex
