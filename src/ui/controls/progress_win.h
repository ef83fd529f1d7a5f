#pragma once
// A long command's progress in the status bar, and Esc as its stop: the command
// keeps the host's thread, so the window's queue is only looked at, for that
// one key, and nothing else in it is taken out or handled meanwhile.
#include <windows.h>

#include <string>
#include <string_view>

#include "ports/controls.h"
#include "ui/controls/progress_pace.h"

namespace tarvex {

class CommandProgressWin final : public CommandProgress {
public:
    // `window`: the window whose Esc stops the command (its handle may change
    // as the window is loaded and unloaded).
    CommandProgressWin(StatusBar& status, std::u16string_view status_key, const HWND& window)
        : status_(status), key_(status_key), window_(window) {}

    void start() override;
    Checkpoint checkpoint() override;
    void report(const std::u16string& text) override;

private:
    StatusBar& status_;
    std::u16string_view key_;
    const HWND& window_;
    bool esc_waiting();

    ProgressPace pace_;
    bool stopped_ = false;
};

}  // namespace tarvex
