#pragma once
// The controls of the windows as the commands and settings routines see them.
// The Windows layer implements these over the real controls; tests use plain
// in-memory versions.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "ui/main/result_list.h"

namespace tarvex {

class ComboBox {
public:
    virtual ~ComboBox() = default;
    virtual std::u16string text() const = 0;
    virtual void set_text(const std::u16string& text) = 0;
    // Empties the drop-down list and the edit field.
    virtual void clear() = 0;
    virtual void add_item(const std::u16string& item) = 0;
};

class CheckBox {
public:
    virtual ~CheckBox() = default;
    virtual int value() const = 0;  // 1 ticked, 0 not
};

class StatusBar {
public:
    virtual ~StatusBar() = default;
    // The panels are addressed by key, never by position.
    virtual void set_text(std::u16string_view panel_key, const std::u16string& text) = 0;
    virtual std::u16string text(std::u16string_view panel_key) const = 0;
};

// The result list: its rows live in the model; the view is told when they change.
class ResultListView {
public:
    virtual ~ResultListView() = default;
    virtual ResultList& rows() = 0;
    // The rows changed (count, order or texts): show them again.
    virtual void rows_changed() = 0;
    // The selected row in display order, if any.
    virtual std::optional<std::size_t> selected_row() const = 0;
};

enum class MousePointer { standard, hourglass };

class Screen {
public:
    virtual ~Screen() = default;
    // The application-wide mouse pointer.
    virtual void set_mouse_pointer(MousePointer pointer) = 0;
};

enum class MessageButtons { ok, yes_no, abort_retry_ignore };
enum class MessageIcon { none, critical, exclamation };
enum class MessageAnswer { ok, yes, no, abort, retry, ignore };

struct MessageRequest {
    std::u16string text;
    std::u16string title;  // empty: the application title
    MessageButtons buttons = MessageButtons::ok;
    MessageIcon icon = MessageIcon::none;
    int default_button = 1;  // 1-based
};

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MessageAnswer show(const MessageRequest& request) = 0;
};

// The application title, shown by message boxes that give none of their own.
inline constexpr char16_t application_title[] = u"Tarvex";

}  // namespace tarvex
