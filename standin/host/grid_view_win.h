#pragma once
// The cells of one sheet as the host shows them: column letters, row numbers,
// gridlines, each cell's displayed text and the selected cell. A chart sheet gets
// a placeholder instead.
#include <cstdint>
#include <functional>
#include <memory>

#include "host/window_win.h"
#include "model/model.h"

namespace standin::host {

class GridView final : public Window {
public:
    [[nodiscard]] bool create(HWND parent, int id, HFONT font, int dpi);

    // Shows the sheet (nullptr: no workbook open). A different sheet, or a
    // selection that moved since the last call, scrolls the selected cell into view.
    void show_sheet(std::shared_ptr<Sheet> sheet);

    // Cheap fingerprint of what the view shows now, so a caller can notice a
    // change in the model without repainting on every tick.
    std::uint64_t visible_content_digest() const;

    // Called after a click or a key has selected another cell.
    void set_on_select(std::function<void()> on_select) { on_select_ = std::move(on_select); }

    void on_mouse_wheel(int delta, bool horizontal);

private:
    struct Layout {
        int row_header_width;
        int first_row;
        int first_col;
        int last_row;  // last row with any part visible
        int last_col;
        int full_rows;  // rows entirely visible
        int full_cols;
    };

    LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam) override;
    Layout layout() const;
    bool is_grid() const { return sheet_ && sheet_->kind() == SheetKind::worksheet; }
    void paint(HDC dc, const RECT& client) const;
    void paint_headers(HDC dc, const Layout& l, const RECT& client) const;
    void paint_cells(HDC dc, const Layout& l, const RECT& client) const;
    void paint_placeholder(HDC dc, const RECT& client) const;
    void ensure_visible(CellPos p);
    void scroll_to(int first_row, int first_col);
    void update_scroll_bars();
    void on_scroll(int bar, int request);
    void select(CellPos p);
    void on_click(int x, int y);
    bool on_key(WPARAM key);

    HFONT font_ = nullptr;
    int dpi_ = 96;
    int row_height_ = 20;
    int col_width_ = 64;
    int digit_width_ = 7;
    std::shared_ptr<Sheet> sheet_;
    CellPos shown_selection_;
    int first_row_ = 1;
    int first_col_ = 1;
    int used_rows_ = 0;  // extent of the filled cells, for the scroll ranges
    int used_cols_ = 0;
    int wheel_remainder_ = 0;
    int hwheel_remainder_ = 0;
    std::function<void()> on_select_;
};

}  // namespace standin::host
