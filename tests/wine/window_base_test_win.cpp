// The trampoline every window of the DLL runs through, with a window class of
// this test's own: the object owns its window from WM_NCCREATE on, a creation
// that throws fails with no window left behind, and a window the system destroys
// first is let go rather than destroyed twice.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

#include "base/owners_win.h"
#include "ui/controls/window_base_win.h"
#include "ui/controls/window_class_win.h"

namespace {

class TestWindow final : private tarvex::WindowBase {
public:
    enum class Throw { never, at_nccreate, at_create };

    ~TestWindow() { destroy_window(); }

    // CreateWindowEx's own answer. Hidden, so it comes and goes quickly.
    HWND create(Throw when, HWND owner = nullptr) {
        throw_at_ = when;
        seen_.clear();
        if (!register_class(class_name, 0, nullptr)) {
            return nullptr;
        }
        return ::CreateWindowExW(0, class_name, L"", WS_POPUP, 0, 0, 20, 20, owner, nullptr, tarvex::module_instance(),
                                 creation_parameter());
    }
    void destroy() { destroy_window(); }

    HWND hwnd() const { return hwnd_; }
    // The handle WM_NCCREATE came with, whatever became of it.
    HWND created() const { return created_; }
    int times_seen(UINT message) const {
        int times = 0;
        for (UINT seen : seen_) {
            times += seen == message;
        }
        return times;
    }

private:
    static constexpr wchar_t class_name[] = L"Tarvex.Test.WindowBase";

    LRESULT window_proc(UINT message, WPARAM wparam, LPARAM lparam) override {
        seen_.push_back(message);
        if (message == WM_NCCREATE) {
            created_ = hwnd_;
        }
        if ((message == WM_NCCREATE && throw_at_ == Throw::at_nccreate) ||
            (message == WM_CREATE && throw_at_ == Throw::at_create)) {
            throw std::runtime_error("cannot build the window");
        }
        return ::DefWindowProcW(hwnd_, message, wparam, lparam);
    }

    Throw throw_at_ = Throw::never;
    HWND created_ = nullptr;
    std::vector<UINT> seen_;
};

TEST(WindowBase, OwnsItsWindowUntilDestroyedAndCanBuildAnother) {
    TestWindow window;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        const HWND created = window.create(TestWindow::Throw::never);
        ASSERT_NE(created, nullptr);
        EXPECT_EQ(window.hwnd(), created);
        EXPECT_EQ(window.created(), created);

        window.destroy();
        EXPECT_FALSE(::IsWindow(created));
        EXPECT_EQ(window.hwnd(), nullptr);
        EXPECT_EQ(window.times_seen(WM_DESTROY), 1);
        EXPECT_EQ(window.times_seen(WM_NCDESTROY), 1);
        // Nothing left to destroy.
        window.destroy();
        EXPECT_EQ(window.times_seen(WM_NCDESTROY), 1);
    }
}

TEST(WindowBase, CreationThatThrowsFailsAndLeavesNoWindow) {
    struct Case {
        const char* name;
        TestWindow::Throw when;
        bool created_called;  // WM_CREATE reached the object
    };
    const Case cases[] = {
        {"WM_NCCREATE throws", TestWindow::Throw::at_nccreate, false},
        {"WM_CREATE throws", TestWindow::Throw::at_create, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestWindow window;
        EXPECT_EQ(window.create(c.when), nullptr);
        ASSERT_NE(window.created(), nullptr);
        EXPECT_FALSE(::IsWindow(window.created()));
        EXPECT_EQ(window.hwnd(), nullptr);
        EXPECT_EQ(window.times_seen(WM_CREATE), c.created_called ? 1 : 0);
        if (c.created_called) {
            // What WM_CREATE built is taken down again in the object's own
            // WM_NCDESTROY. (Whether WM_DESTROY comes first differs between
            // systems: Wine sends none.)
            EXPECT_EQ(window.times_seen(WM_NCDESTROY), 1);
        }

        // The object is as good as new.
        const HWND second = window.create(TestWindow::Throw::never);
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(window.hwnd(), second);
    }
}

TEST(WindowBase, WindowDestroyedWithItsOwnerIsLetGo) {
    tarvex::UniqueWindow owner(
        ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr));
    ASSERT_NE(owner, nullptr);
    TestWindow window;
    const HWND created = window.create(TestWindow::Throw::never, owner.get());
    ASSERT_NE(created, nullptr);

    owner.reset();
    EXPECT_FALSE(::IsWindow(created));
    EXPECT_EQ(window.hwnd(), nullptr);
    EXPECT_EQ(window.times_seen(WM_NCDESTROY), 1);
    window.destroy();
    EXPECT_EQ(window.times_seen(WM_NCDESTROY), 1);
}

TEST(WindowBase, FindsItsObjectWhereverItLives) {
    // A 64-bit process may hold the object above 4 GB: the pointer the window
    // keeps to it must survive in full, or the first message lands elsewhere.
    void* memory = ::VirtualAlloc(nullptr, sizeof(TestWindow), MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE);
    ASSERT_NE(memory, nullptr);
    if (sizeof(void*) == 8) {
        EXPECT_GT(reinterpret_cast<std::uintptr_t>(memory), std::uintptr_t{0xFFFFFFFFu});
    }
    auto* window = new (memory) TestWindow;
    const HWND created = window->create(TestWindow::Throw::never);
    ASSERT_NE(created, nullptr);
    constexpr UINT probe = WM_APP + 7;
    ::SendMessageW(created, probe, 0, 0);
    EXPECT_EQ(window->times_seen(probe), 1);
    window->~TestWindow();
    EXPECT_FALSE(::IsWindow(created));
    ::VirtualFree(memory, 0, MEM_RELEASE);
}

}  // namespace
