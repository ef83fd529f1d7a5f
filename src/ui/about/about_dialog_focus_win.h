#pragma once
// The box is an ordinary window, not a dialog, yet it must keep the focus as a
// dialog does: the dialog keys come from the keyboard hook, the focus from here.
#include <windows.h>

namespace tarvex::about {

// A window that is not a dialog forgets its focused control when it is
// deactivated; the box remembers it, as a dialog would.
class DialogFocus {
public:
    // The control that takes the focus when the box is first activated.
    void start_at(HWND control) { focus_ = control; }
    // For WM_ACTIVATE. On activation the remembered control takes the focus back;
    // `fallback` takes it when that control is gone or hidden.
    void activate(HWND box, WPARAM wparam, HWND fallback);
    void forget() { focus_ = nullptr; }

private:
    HWND focus_ = nullptr;
};

// For WM_NEXTDLGCTL. Rich edit in dialog mode moves the focus with it, and only a
// dialog's own procedure understands it; the box answers it the same way.
void next_dialog_control(HWND box, WPARAM wparam, LPARAM lparam);

}  // namespace tarvex::about
