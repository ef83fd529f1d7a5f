#pragma once
// The controls of the windows as the commands and settings routines see them.
// The Windows layer implements these over the real controls; tests use plain
// in-memory versions.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

// A report-view list's columns, visited by index (their order in the collection,
// not on screen). Widths are in twips; positions count from 1 for the leftmost.
// A setter throws when the control refuses the value.
class ListColumns {
public:
    virtual ~ListColumns() = default;
    virtual std::u16string form_name() const = 0;     // the window holding the list, "frmMain"
    virtual std::u16string control_name() const = 0;  // "lvwMain"
    virtual int count() const = 0;
    virtual std::u16string key(int column) const = 0;
    virtual std::u16string caption(int column) const = 0;
    virtual float width(int column) const = 0;
    virtual void set_width(int column, float twips) = 0;
    virtual int position(int column) const = 0;
    virtual void set_position(int column, int position) = 0;

    // The display options every preparation of the window sets.
    virtual void set_hide_selection(bool hide) = 0;
    virtual void set_allow_column_reorder(bool allow) = 0;
    virtual void set_full_row_select(bool full_row) = 0;
    virtual void set_report_view() = 0;
    virtual void set_manual_label_edit() = 0;
    // The header's sort arrow on one column (0-based), or on none.
    virtual void show_sort_arrow(std::optional<int> column, bool ascending) = 0;
};

enum class MousePointer { standard, hourglass };

class Screen {
public:
    virtual ~Screen() = default;
    // The application-wide mouse pointer.
    virtual void set_mouse_pointer(MousePointer pointer) = 0;
};

// A long command's sign of life, and the user's one way to stop it. The command
// runs to its end on the host's thread without handling any other message; it
// asks after each host call whether the user pressed Esc.
class CommandProgress {
public:
    virtual ~CommandProgress() = default;
    // A command begins: an earlier stop no longer counts.
    virtual void start() = 0;

    // Asked after every host call, with one look at the clock: whether the user
    // has asked the command to stop since it began, and whether a report now
    // would be shown (the window shows a few a second, and the text is not worth
    // building for nothing).
    struct Checkpoint {
        bool stop = false;
        bool report_due = false;
    };
    virtual Checkpoint checkpoint() = 0;
    // Where the command is.
    virtual void report(const std::u16string& text) = 0;
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

// The errors a control raises when it refuses what it is given, with the numbers
// and texts a macro client sees for them.
namespace control_error {
inline constexpr std::int32_t invalid_property_value = 380;
inline constexpr char16_t invalid_property_value_text[] = u"Invalid property value";
inline constexpr std::int32_t index_out_of_bounds = 35600;
inline constexpr char16_t index_out_of_bounds_text[] = u"Index out of bounds";
inline constexpr std::int32_t element_not_found = 35601;
inline constexpr char16_t element_not_found_text[] = u"Element not found";
}  // namespace control_error

// The application title, shown by message boxes that give none of their own.
inline constexpr char16_t application_title[] = u"Tarvex";

}  // namespace tarvex
