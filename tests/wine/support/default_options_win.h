#pragma once
// For suites that choose search options: whatever a test left behind, even one
// that failed halfway, the options are back at their defaults and the window is
// closed after it, so that no later suite meets them.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "support/window_driver_win.h"
#include "ui/main/options_menu.h"

namespace tarvex::test {

class DefaultOptionsAfter : public ::testing::Test {
protected:
    void TearDown() override {
        std::unique_ptr<StandinHost> host;
        if (main_window() == nullptr) {
            host = open_tarvex_window("sheet Sheet1\n");
        }
        if (main_window() != nullptr) {
            send_command(options_menu::Item::reset);
        }
        close_tarvex_window();
    }
};

}  // namespace tarvex::test
