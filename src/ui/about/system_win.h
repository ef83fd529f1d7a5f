#pragma once
// The About box's system port over kernel32 and the shell: thin translations.
#include <windows.h>

#include "ui/about/sys_info.h"

namespace tarvex::about {

class SystemWin final : public System {
public:
    // The window that owns what the shell shows; it may change or be gone.
    explicit SystemWin(HWND& owner) : owner_(owner) {}
    bool is_ordinary_file(const std::u16string& path) override;
    bool start_program(const std::u16string& path) override;
    std::u16string expand_environment(const std::u16string& text) override;
    void open_url(const std::u16string& url) override;

private:
    HWND& owner_;
};

}  // namespace tarvex::about
