#include "ui/controls/progress_win.h"

#include "ui/controls/dialog_keyboard_win.h"

namespace tarvex {
namespace {

// Two updates a second, the first after half a second: often enough to see the
// count run, rarely enough that painting the status bar (some milliseconds under
// some window systems) stays about one per cent of a long command, and a command
// that ends sooner paints nothing extra at all.
constexpr ULONGLONG report_interval_ms = 500;
// Esc is noticed within this time of its press (and after the host call then
// running): each look asks the window system, which costs about a millisecond
// under some of them.
constexpr ULONGLONG look_interval_ms = 25;

}  // namespace

void CommandProgressWin::start() {
    stopped_ = false;
    // The command has just shown its own first text.
    last_shown_ = ::GetTickCount64();
    last_look_ = 0;
}

CommandProgress::Checkpoint CommandProgressWin::checkpoint() {
    const ULONGLONG now = ::GetTickCount64();
    // Looking at the queue costs a trip to the window system, so it is done at
    // most every few milliseconds.
    if (!stopped_ && window_ != nullptr && (last_look_ == 0 || now - last_look_ >= look_interval_ms)) {
        last_look_ = now;
        stopped_ = esc_waiting();
    }
    return Checkpoint{stopped_, now - last_shown_ >= report_interval_ms};
}

void CommandProgressWin::report(const std::u16string& text) {
    last_shown_ = ::GetTickCount64();
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
