// Find by pattern. The host cannot search by a regular expression, so each
// worksheet's used range is read in bulk (a bounded block of formulas per call)
// and every filled cell is matched here; only the cells listed cost a call or
// two more (the cell and the text it shows).
#include <algorithm>

#include "engine/cell_address.h"
#include "engine/command_texts.h"
#include "engine/sheet_search.h"

namespace tarvex {
namespace {

// At most this many cells per bulk read: what one call carries stays bounded
// however large the used range is.
constexpr std::int64_t block_cells = 65536;
// The rectangle a plain Find searches, so that both ways list the same cells.
constexpr CellRect searched{1, 1, 65536, 256};

struct SheetScan {
    HostSheet& sheet;
    SheetSearch& search;
    Steps& steps;
    CommandProgress& progress;
    std::vector<ResultRow>& rows;
    std::u16string name;
};

// What a filled cell shows, read from the host: looking in values matches it,
// and the Content column lists it. Empty when it cannot be read.
std::u16string shown_text(SheetScan& scan, std::int32_t row, std::int32_t column) {
    std::u16string text;
    scan.steps.run([&] { text = scan.sheet.range(cell_address(row, column))->text(); });
    return text;
}

void judge_cell(SheetScan& scan, std::int32_t row, std::int32_t column, std::u16string_view formula) {
    std::u16string shown;
    if (scan.search.in_values) {
        shown = shown_text(scan, row, column);
    }
    switch (scan.search.pattern->find_in(scan.search.in_values ? shown : formula)) {
        case Pattern::Found::no:
            return;
        case Pattern::Found::gave_up:
            ++scan.search.not_judged;
            return;
        case Pattern::Found::yes:
            break;
    }
    if (!scan.search.in_values) {
        shown = shown_text(scan, row, column);
    }
    scan.rows.push_back(ResultRow{scan.name, absolute_address(row, column), std::move(shown), false, scan.search.book,
                                  scan.search.pair});
}

// One block of whole rows of the used range: its formulas in one call, then
// every filled cell matched, row by row, left to right.
WalkEnd scan_block(SheetScan& scan, const CellRect& block) {
    TextGrid formulas;
    if (scan.steps.run([&] {
            formulas = scan.sheet.range(cell_address(block.top, block.left), cell_address(block.bottom, block.right))
                           ->formula_texts();
        }) != Steps::Outcome::done) {
        return WalkEnd::next_sheet;
    }
    const auto rows = static_cast<std::size_t>(block.bottom - block.top + 1);
    const auto columns = static_cast<std::size_t>(block.right - block.left + 1);
    if (formulas.rows != rows || formulas.columns != columns || formulas.ends.size() != rows * columns) {
        scan.search.not_judged += rows * columns;  // a shape that cannot be read: none of its cells judged
        return WalkEnd::next_sheet;
    }
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < columns; ++c) {
            const std::u16string_view formula = formulas.at(r, c);
            if (formula.empty()) {
                continue;
            }
            judge_cell(scan, block.top + static_cast<std::int32_t>(r), block.left + static_cast<std::int32_t>(c),
                       formula);
            const CommandProgress::Checkpoint at = scan.progress.checkpoint();
            if (at.report_due) {
                scan.progress.report(command_texts::searching_sheet(scan.name, scan.rows.size()));
            }
            if (at.stop) {
                return WalkEnd::stopped;  // the rows found so far are the list
            }
        }
    }
    return WalkEnd::next_sheet;
}

}  // namespace

WalkEnd scan_sheet(HostSheet& sheet, SheetSearch& search, Steps& steps, CommandProgress& progress,
                   std::vector<ResultRow>& rows) {
    // The used range is this way's first search call: from it on the run is
    // tolerant, and a host that refuses it is busy.
    std::unique_ptr<HostRange> used;
    steps.go_silent();
    if (steps.run([&] { used = sheet.used_range(); }) != Steps::Outcome::done) {
        return is_host_busy(steps.last_failure()->hresult) ? WalkEnd::refused : WalkEnd::next_sheet;
    }
    std::u16string address;
    SheetScan scan{sheet, search, steps, progress, rows, {}};
    if (steps.run([&] { address = used->address(); }) != Steps::Outcome::done ||
        steps.run([&] { scan.name = sheet.name(); }) != Steps::Outcome::done) {
        return WalkEnd::next_sheet;
    }
    const std::optional<CellRect> parsed = parse_range_address(address);
    if (!parsed) {
        ++search.not_judged;  // an address that names no rectangle: the sheet could not be read
        return WalkEnd::next_sheet;
    }
    const std::optional<CellRect> within = intersection(*parsed, searched);
    if (!within) {
        return WalkEnd::next_sheet;
    }
    const std::int32_t columns = within->right - within->left + 1;
    const auto rows_per_block = static_cast<std::int32_t>(std::max<std::int64_t>(1, block_cells / columns));
    for (std::int32_t top = within->top; top <= within->bottom; top += rows_per_block) {
        const CellRect block{top, within->left, std::min(within->bottom, top + rows_per_block - 1), within->right};
        if (scan_block(scan, block) == WalkEnd::stopped) {
            return WalkEnd::stopped;
        }
    }
    return WalkEnd::next_sheet;
}

}  // namespace tarvex
