#include "ui/controls/dialog_keyboard_win.h"

#include <algorithm>
#include <vector>

#include "base/owners_win.h"

namespace tarvex {
namespace {

// All of this lives on the host's one user-interface thread.
std::vector<HWND>& windows() {
    static std::vector<HWND> list;
    return list;
}
UniqueHook& hook() {
    static UniqueHook handle;
    return handle;
}
int& pauses() {
    static int count = 0;
    return count;
}

LRESULT CALLBACK get_message_hook(int code, WPARAM remove, LPARAM lparam) {
    if (code == HC_ACTION && remove == PM_REMOVE && pauses() == 0) {
        MSG* msg = reinterpret_cast<MSG*>(lparam);
        if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
            for (HWND top : windows()) {
                if (msg->hwnd == top || ::IsChild(top, msg->hwnd)) {
                    if (::IsDialogMessageW(top, msg)) {
                        // Handled: the host's loop must not translate or dispatch it again.
                        msg->message = WM_NULL;
                        msg->wParam = 0;
                        msg->lParam = 0;
                    }
                    break;
                }
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, remove, lparam);
}

}  // namespace

void attach_dialog_keyboard(HWND top_level) {
    auto& list = windows();
    if (std::find(list.begin(), list.end(), top_level) == list.end()) {
        list.push_back(top_level);
    }
    if (!hook()) {
        hook().reset(::SetWindowsHookExW(WH_GETMESSAGE, get_message_hook, nullptr, ::GetCurrentThreadId()));
    }
}

DialogKeyboardPause::DialogKeyboardPause() {
    ++pauses();
}

DialogKeyboardPause::~DialogKeyboardPause() {
    --pauses();
}

void detach_dialog_keyboard(HWND top_level) {
    auto& list = windows();
    list.erase(std::remove(list.begin(), list.end(), top_level), list.end());
    if (list.empty()) {
        hook().reset();
    }
}

}  // namespace tarvex
