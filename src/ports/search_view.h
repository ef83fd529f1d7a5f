#pragma once
// What a search session asks of the window it works for: the texts of its
// boxes, its status panel, the pointer, messages, progress, and the view that
// shows the session's rows. The window implements it over its controls; native
// tests over in-memory ones.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ports/controls.h"

namespace tarvex {

class SearchView {
public:
    virtual ~SearchView() = default;

    // The search and replacement boxes: read by the commands, refilled from the
    // recent lists after them.
    virtual ComboBox& search_box() = 0;
    virtual ComboBox& replace_box() = 0;
    // "Entire Cell Content": the replace commands write whole cells.
    virtual bool entire_cell_content() const = 0;

    // The text of the status panel, addressed by its key.
    virtual void set_status(const std::u16string& text) = 0;
    virtual void set_pointer(MousePointer pointer) = 0;
    virtual MessageAnswer show_message(const MessageRequest& request) = 0;
    virtual CommandProgress& progress() = 0;

    // The rows' view. The rows changed (count, order or texts): show them again.
    virtual void rows_changed() = 0;
    // Only ticks changed: paint the rows again.
    virtual void ticks_changed() = 0;
    // The row the user acts on: the focused row when it is selected, else the
    // first selected one. Display order.
    virtual std::optional<std::size_t> selected_row() const = 0;
    virtual std::vector<std::size_t> selected_rows() const = 0;
    virtual std::optional<std::size_t> focused_row() const = 0;
    virtual void select_all_rows() = 0;

    // What leaves the window. The clipboard gets a text and, beside it, the same
    // rows as CSV in UTF-8; false when another program holds it.
    virtual bool put_on_clipboard(const std::u16string& text, const std::string& csv) = 0;
    // The file the user names to export to; nullopt when the user cancelled.
    virtual std::optional<std::u16string> choose_export_file() = 0;
    // Writes the whole file; false when it could not be written.
    virtual bool write_file(const std::u16string& path, const std::string& bytes) = 0;

    // What comes in: the file the user names to read a list of pairs from
    // (nullopt: cancelled), a whole file's bytes (nullopt: it could not be
    // read), and the clipboard's text (nullopt: it holds none).
    virtual std::optional<std::u16string> choose_pairs_file() = 0;
    virtual std::optional<std::string> read_file(const std::u16string& path) = 0;
    virtual std::optional<std::u16string> clipboard_text() = 0;
};

}  // namespace tarvex
