#pragma once
// The control ports over real Win32 controls: thin translations, no rules.
#include <windows.h>

#include <vector>

#include "ports/controls.h"

namespace tarvex {

class ComboBoxWin final : public ComboBox {
public:
    explicit ComboBoxWin(HWND& combo) : combo_(combo) {}
    std::u16string text() const override;
    void set_text(const std::u16string& text) override;
    void clear() override;
    void add_item(const std::u16string& item) override;

private:
    HWND& combo_;  // the window's current control: it changes when the window is reloaded
};

class CheckBoxWin final : public CheckBox {
public:
    explicit CheckBoxWin(HWND& check) : check_(check) {}
    int value() const override;

private:
    HWND& check_;
};

// A status bar whose panels are known by key, in order.
class StatusBarWin final : public StatusBar {
public:
    StatusBarWin(HWND& bar, std::initializer_list<std::u16string_view> keys) : bar_(bar), keys_(keys) {}
    void set_text(std::u16string_view key, const std::u16string& text) override;
    std::u16string text(std::u16string_view key) const override;

private:
    int panel(std::u16string_view key) const;
    HWND& bar_;
    std::vector<std::u16string_view> keys_;
};

// The pointer over every window of the DLL while a command runs.
class ScreenWin final : public Screen {
public:
    void set_mouse_pointer(MousePointer pointer) override;
    // For WM_SETCURSOR of the DLL's windows: true when the pointer was set here.
    static bool apply_pointer();
};

class MessageBoxesWin final : public MessageBoxes {
public:
    explicit MessageBoxesWin(HWND& owner) : owner_(owner) {}
    MessageAnswer show(const MessageRequest& request) override;

private:
    HWND& owner_;
};

// The user's decimal separator.
char16_t user_decimal_separator();

}  // namespace tarvex
