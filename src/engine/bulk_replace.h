#pragma once
// Writing the rows' cells worksheet by worksheet at two host calls per written
// cell or fewer: the cells' formulas and value kinds read in bulk (bounded
// blocks), each changed cell written with one Formula put through the
// worksheet looked up once (a rectangle of changed neighbours with one put of
// an array), and what the host made of the writes read back in bulk for Undo
// Replace. Where a block cannot be read in bulk (the host fails it, or the
// cells are too scattered for a bounded block) its cells are written one by
// one, the way each is read first; a rectangle the host turns down is written
// cell by cell.
#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "base/steps.h"
#include "engine/cell_write.h"
#include "engine/result_list.h"
#include "ports/controls.h"
#include "ports/host.h"

namespace tarvex {

// One run's account: what it wrote (for Undo Replace), what it could not write
// and how far it came.
struct ReplaceRun {
    UndoRecord record;
    std::size_t to_do = 0;
    std::size_t done = 0;
    std::size_t not_written = 0;
    bool stopped = false;
};

// Writes the cells of the rows `which` (indices into `list`, in the list's
// order) in the workbooks `books` (a row's `book` indexes them) until the user
// presses Esc. Outside tolerant mode a failing step throws; a row whose sheet
// or cell can no longer be addressed is skipped once the run is tolerant (no
// other cell may be written in its place), and a row of a workbook closed since
// counts as not written in either mode.
void write_rows(const ResultList& list, const std::vector<std::size_t>& which,
                const std::vector<std::shared_ptr<HostWorkbook>>& books, const ReplaceTexts& t,
                CommandProgress& progress, Steps& steps, ReplaceRun& run);

// The bounded blocks a set of cells is read in: whole runs of rows whose
// rectangle holds at most `most_cells` cells and is not much emptier than the
// cells it is read for. `cells` are (row, column) pairs; each block lists the
// positions in `cells` it covers.
struct CellBlock {
    std::int32_t top, left, bottom, right;
    std::vector<std::size_t> members;

    std::size_t rows() const { return static_cast<std::size_t>(bottom - top + 1); }
    std::size_t columns() const { return static_cast<std::size_t>(right - left + 1); }
};
std::vector<CellBlock> plan_blocks(const std::vector<std::pair<std::int32_t, std::int32_t>>& cells,
                                   std::int64_t most_cells = 65536);

// The rectangles one block put can write: each made wholly of the given cells
// (whole runs along a row, stacked over consecutive rows when they span the same
// columns), of at least two and at most `most_cells` cells, members row by row.
// A cell given twice is left out.
std::vector<CellBlock> plan_puts(const std::vector<std::pair<std::int32_t, std::int32_t>>& cells,
                                 std::int64_t most_cells = 4096);

// A block's rectangle on the sheet, and what one bulk read of it found in its
// members' cells (`cells` as given to plan_blocks), in the order of
// block.members: only those cells' texts are taken from the host's answer.
// nullopt when the answer has another shape; host failures propagate.
std::unique_ptr<HostRange> block_range(HostSheet& sheet, const CellBlock& block);
std::optional<std::vector<std::u16string>> member_formulas(
    HostRange& range, const CellBlock& block, const std::vector<std::pair<std::int32_t, std::int32_t>>& cells);
std::optional<std::vector<ValueKind>> member_kinds(HostRange& range, const CellBlock& block,
                                                   const std::vector<std::pair<std::int32_t, std::int32_t>>& cells);

}  // namespace tarvex
