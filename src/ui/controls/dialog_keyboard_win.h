#pragma once
#include <windows.h>

namespace tarvex {

// The DLL has no message loop of its own: the host's loop drives its windows.
// Dialog keyboard handling (Tab, Enter for the default button, Esc, access keys)
// therefore comes from a thread WH_GETMESSAGE hook that hands keyboard messages
// for a registered window to IsDialogMessageW. The hook is installed with the
// first registered window and removed with the last.
void attach_dialog_keyboard(HWND top_level);
void detach_dialog_keyboard(HWND top_level);

// While one lives, the hook lets keyboard messages pass untouched: a running
// command that takes its stop key out of the queue must not also have it act as
// the window's Esc (Cancel).
class DialogKeyboardPause {
public:
    DialogKeyboardPause();
    ~DialogKeyboardPause();
    DialogKeyboardPause(const DialogKeyboardPause&) = delete;
    DialogKeyboardPause& operator=(const DialogKeyboardPause&) = delete;
};

}  // namespace tarvex
