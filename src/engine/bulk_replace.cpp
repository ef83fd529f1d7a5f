#include "engine/bulk_replace.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <unordered_set>

#include "engine/cell_address.h"
#include "engine/command_texts.h"

namespace tarvex {
namespace {

// A block may be at most this much emptier than the cells it is read for,
// beyond a small floor: reading a mostly empty rectangle would cost more than
// reading its few cells one by one.
constexpr std::int64_t emptiness = 16;
constexpr std::int64_t small_block = 256;

using CellSpots = std::vector<std::pair<std::int32_t, std::int32_t>>;

// The rows of one worksheet of one workbook, in the list's order.
struct SheetGroup {
    std::uint32_t book;
    std::u16string sheet;
    std::vector<std::size_t> rows;
    std::unordered_set<std::u16string_view> addresses;  // of `rows`, viewing the list's own texts
};

// A cell listed more than once (found by several pairs of a list) is written
// once, for its first row. The list runs sheet by sheet, so the group of the
// row before is nearly always the row's own.
std::vector<SheetGroup> group_by_sheet(const ResultList& list, const std::vector<std::size_t>& which) {
    std::vector<SheetGroup> groups;
    std::map<std::pair<std::uint32_t, std::u16string>, std::size_t> index;
    std::size_t last = 0;
    for (const std::size_t i : which) {
        const ResultRow& row = list.row(i);
        if (groups.empty() || groups[last].book != row.book || groups[last].sheet != row.sheet) {
            const auto [at, added] = index.try_emplace({row.book, row.sheet}, groups.size());
            if (added) {
                groups.push_back(SheetGroup{row.book, row.sheet, {}, {}});
            }
            last = at->second;
        }
        if (groups[last].addresses.insert(row.address).second) {
            groups[last].rows.push_back(i);
        }
    }
    return groups;
}

// The positions in `cells` ordered by row, then column; equal cells in the
// order given.
std::vector<std::size_t> by_position(const CellSpots& cells) {
    std::vector<std::size_t> order(cells.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return cells[a] < cells[b]; });
    return order;
}

// Where each block member's cell lies in the block's grid, row by row.
std::vector<std::size_t> member_offsets(const CellBlock& block, const CellSpots& cells) {
    std::vector<std::size_t> offsets;
    offsets.reserve(block.members.size());
    for (const std::size_t m : block.members) {
        offsets.push_back(static_cast<std::size_t>(cells[m].first - block.top) * block.columns() +
                          static_cast<std::size_t>(cells[m].second - block.left));
    }
    return offsets;
}

CellPicks picks_of(const CellBlock& block, const std::vector<std::size_t>& offsets) {
    CellPicks picks(block.rows() * block.columns());
    for (const std::size_t at : offsets) {
        picks[at] = true;
    }
    return picks;
}

// The members' cells taken out of the grid; a cell listed twice gets the
// same value twice.
template <class T>
std::optional<std::vector<T>> members_of(CellGrid<T> grid, const CellBlock& block,
                                         const std::vector<std::size_t>& offsets) {
    if (grid.rows != block.rows() || grid.columns != block.columns() || grid.cells.size() != grid.rows * grid.columns) {
        return std::nullopt;
    }
    std::vector<T> members;
    members.reserve(offsets.size());
    std::vector<bool> taken(grid.cells.size());
    for (const std::size_t at : offsets) {
        if (taken[at]) {
            members.push_back(
                members[static_cast<std::size_t>(std::find(offsets.begin(), offsets.end(), at) - offsets.begin())]);
            continue;
        }
        taken[at] = true;
        members.push_back(std::move(grid.cells[at]));
    }
    return members;
}

// A cell as the bulk read found it before the writes, and what the replace
// makes of it.
struct CellState {
    bool read = false;
    std::u16string formula;
    ValueKind kind = ValueKind::empty;
    std::optional<std::u16string> next;  // nullopt: the matcher gave up on the cell

    bool changes() const { return read && next && *next != formula; }
    bool before_is_text() const { return !is_formula(formula) && kind == ValueKind::text; }
};

// Texts the host may take for a formula (a leading = + - @), read with a
// prefix (') or refuse as too long are written one by one, so that one bad
// cell cannot turn down, or half write, a whole block.
constexpr std::size_t longest_block_text = 32767;
bool fits_block_put(const std::u16string& text) {
    return text.size() <= longest_block_text &&
           (text.empty() || std::u16string_view(u"=+-@'").find(text[0]) == std::u16string_view::npos);
}

// The worksheet's work: its rows, where each row's cell is, what the bulk read
// found there, and what was written.
struct SheetWork {
    const ResultList& list;
    const SheetGroup& group;
    HostSheet& sheet;
    const ReplaceTexts& t;
    Steps& steps;
    ReplaceRun& run;
    std::vector<std::pair<std::int32_t, std::int32_t>> cells;  // (row, column) per group row
    std::vector<CellState> states;
};

// Reads the blocks' formulas and value kinds. A block the host fails, or gives
// in another shape, is left unread: its cells are written the one-by-one way.
void read_before(SheetWork& work) {
    // A row whose address cannot be read is written the one-by-one way, whose
    // host call then says what is wrong with it.
    std::vector<std::pair<std::int32_t, std::int32_t>> cells;
    std::vector<std::size_t> members;
    for (std::size_t m = 0; m < work.cells.size(); ++m) {
        if (work.cells[m].first > 0) {
            cells.push_back(work.cells[m]);
            members.push_back(m);
        }
    }
    for (const CellBlock& block : plan_blocks(cells)) {
        try {
            const std::unique_ptr<HostRange> range = block_range(work.sheet, block);
            std::optional<std::vector<std::u16string>> formulas = member_formulas(*range, block, cells);
            const std::optional<std::vector<ValueKind>> kinds = member_kinds(*range, block, cells);
            if (!formulas || !kinds) {
                continue;
            }
            for (std::size_t k = 0; k < block.members.size(); ++k) {
                CellState& state = work.states[members[block.members[k]]];
                state = CellState{true, std::move((*formulas)[k]), (*kinds)[k], std::nullopt};
                state.next = replaced_text(work.t, state.formula);
            }
        } catch (...) {
            // Written the one-by-one way instead.
        }
    }
}

// What the host made of the writes, for Undo Replace to recognise them; a cell
// that cannot be read back keeps the text written.
void read_back(SheetWork& work, const std::vector<std::pair<std::size_t, std::size_t>>& written) {
    std::vector<std::pair<std::int32_t, std::int32_t>> cells;
    for (const auto& [member, entry] : written) {
        cells.push_back(work.cells[member]);
    }
    for (const CellBlock& block : plan_blocks(cells)) {
        try {
            std::optional<std::vector<std::u16string>> formulas =
                member_formulas(*block_range(work.sheet, block), block, cells);
            for (std::size_t k = 0; formulas && k < block.members.size(); ++k) {
                work.run.record.entries[written[block.members[k]].second].written = std::move((*formulas)[k]);
            }
        } catch (...) {
            // The texts written stand in.
        }
    }
}

// The record of a cell written by a put. The cell's state is not looked at
// again: its texts move into the record.
UndoEntry entry_of(const ResultRow& row, CellState& state, std::u16string written) {
    const bool before_is_text = state.before_is_text();
    return UndoEntry{row.sheet, row.address, std::move(state.formula), before_is_text, std::move(written), row.book};
}

// One cell the bulk read has seen, written with one Formula put (`by_put`). A
// write the host turns down gets the value-based second way.
CellWrite write_known_cell(SheetWork& work, const ResultRow& row, CellState& state, bool& by_put) {
    if (!state.next) {
        return CellWrite{Written::no, {}};  // the matcher gave up on the cell
    }
    if (!state.changes()) {
        return CellWrite{Written::unchanged, {}};
    }
    std::unique_ptr<HostRange> cell;
    if (work.steps.run([&] { cell = work.sheet.range(row.address); }) != Steps::Outcome::done) {
        return CellWrite{Written::no, {}};
    }
    if (work.steps.run([&] { cell->set_formula(*state.next); }) == Steps::Outcome::done) {
        by_put = true;
        return CellWrite{Written::yes, entry_of(row, state, std::move(*state.next))};
    }
    if (!earns_second_way(*work.steps.last_failure())) {
        return CellWrite{Written::no, {}};
    }
    return write_value(*cell, row, work.t, work.steps, state.formula, state.before_is_text(), *state.next, true);
}

// A block of changed cells written with one put, each recorded as if written
// alone. False when the host turns the block down: its cells are then written
// one by one like any other, their new texts back in place.
bool put_block(SheetWork& work, const CellBlock& block, std::vector<std::pair<std::size_t, std::size_t>>& put) {
    CellGrid<std::u16string> texts{block.rows(), block.columns(), {}};
    texts.cells.reserve(block.members.size());
    for (const std::size_t m : block.members) {
        texts.cells.push_back(std::move(*work.states[m].next));
    }
    try {
        block_range(work.sheet, block)->set_formulas(texts);
    } catch (...) {
        for (std::size_t k = 0; k < block.members.size(); ++k) {
            work.states[block.members[k]].next = std::move(texts.cells[k]);
        }
        return false;
    }
    for (std::size_t k = 0; k < block.members.size(); ++k) {
        const std::size_t m = block.members[k];
        put.emplace_back(m, work.run.record.entries.size());
        work.run.record.entries.push_back(
            entry_of(work.list.row(work.group.rows[m]), work.states[m], std::move(texts.cells[k])));
    }
    return true;
}

// The blocks the changed cells can be written in, and for each cell the block
// it belongs to (none: written alone).
constexpr std::size_t no_block = static_cast<std::size_t>(-1);
std::vector<CellBlock> plan_sheet_puts(const SheetWork& work, std::vector<std::size_t>& block_of) {
    CellSpots cells;
    std::vector<std::size_t> members;
    for (std::size_t m = 0; m < work.states.size(); ++m) {
        if (work.states[m].changes() && fits_block_put(*work.states[m].next) && work.cells[m].first > 0) {
            cells.push_back(work.cells[m]);
            members.push_back(m);
        }
    }
    std::vector<CellBlock> blocks = plan_puts(cells);
    block_of.assign(work.states.size(), no_block);
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        for (std::size_t& m : blocks[b].members) {
            m = members[m];
            block_of[m] = b;
        }
    }
    return blocks;
}

// A cell the bulk read could not see: addressed and written the one-by-one way.
CellWrite write_unknown_cell(SheetWork& work, const ResultRow& row) {
    std::unique_ptr<HostRange> cell;
    if (work.steps.run([&] { cell = work.sheet.range(row.address); }) != Steps::Outcome::done) {
        return CellWrite{Written::no, {}};
    }
    return work.t.whole_cell ? write_whole_cell(*cell, row, work.t, work.steps)
                             : write_text(*cell, row, work.t, work.steps);
}

void write_sheet(SheetWork& work, CommandProgress& progress) {
    read_before(work);
    std::vector<std::size_t> block_of;
    const std::vector<CellBlock> blocks = plan_sheet_puts(work, block_of);
    std::vector<bool> done(work.group.rows.size());
    // (position in the group, entry in the record) of the cells written by a put,
    // whose result is read back in bulk.
    std::vector<std::pair<std::size_t, std::size_t>> put;
    for (std::size_t m = 0; m < work.group.rows.size(); ++m) {
        if (done[m]) {
            continue;
        }
        // Esc: what is written stays written (and undoable); the rest is not touched.
        const CommandProgress::Checkpoint at = progress.checkpoint();
        if (at.stop) {
            work.run.stopped = true;
            break;
        }
        if (at.report_due) {
            progress.report(command_texts::replacing_count(work.run.done + 1, work.run.to_do));
        }
        // A block is written at its first row in the list's order.
        if (block_of[m] != no_block) {
            const CellBlock& block = blocks[block_of[m]];
            const bool whole = put_block(work, block, put);
            for (const std::size_t member : block.members) {
                block_of[member] = no_block;
                done[member] = whole;
            }
            if (whole) {
                work.run.done += block.members.size();
                continue;
            }
        }
        done[m] = true;
        ++work.run.done;
        const ResultRow& row = work.list.row(work.group.rows[m]);
        bool by_put = false;
        CellWrite result =
            work.states[m].read ? write_known_cell(work, row, work.states[m], by_put) : write_unknown_cell(work, row);
        if (result.written == Written::yes) {
            if (by_put) {
                put.emplace_back(m, work.run.record.entries.size());
            }
            work.run.record.entries.push_back(std::move(result.entry));
        } else if (result.written == Written::no) {
            ++work.run.not_written;
        }
    }
    read_back(work, put);
}

}  // namespace

std::vector<CellBlock> plan_blocks(const std::vector<std::pair<std::int32_t, std::int32_t>>& cells,
                                   std::int64_t most_cells) {
    const std::vector<std::size_t> order = by_position(cells);
    std::vector<CellBlock> blocks;
    for (const std::size_t i : order) {
        const auto [row, column] = cells[i];
        if (!blocks.empty()) {
            CellBlock& last = blocks.back();
            const CellBlock grown{
                last.top, std::min(last.left, column), std::max(last.bottom, row), std::max(last.right, column), {}};
            // In 64 bits: a 32-bit size would wrap round for a sheet-sized rectangle.
            const auto area = static_cast<std::int64_t>(grown.rows()) * static_cast<std::int64_t>(grown.columns());
            const auto count = static_cast<std::int64_t>(last.members.size() + 1);
            if (area <= most_cells && area <= std::max(small_block, emptiness * count)) {
                last.left = grown.left;
                last.bottom = grown.bottom;
                last.right = grown.right;
                last.members.push_back(i);
                continue;
            }
        }
        blocks.push_back(CellBlock{row, column, row, column, {i}});
    }
    return blocks;
}

std::unique_ptr<HostRange> block_range(HostSheet& sheet, const CellBlock& block) {
    return sheet.range(cell_address(block.top, block.left), cell_address(block.bottom, block.right));
}

std::optional<std::vector<std::u16string>> member_formulas(HostRange& range, const CellBlock& block,
                                                           const CellSpots& cells) {
    const std::vector<std::size_t> offsets = member_offsets(block, cells);
    const CellPicks picks = picks_of(block, offsets);
    return members_of(range.formulas(&picks), block, offsets);
}

std::optional<std::vector<ValueKind>> member_kinds(HostRange& range, const CellBlock& block, const CellSpots& cells) {
    return members_of(range.value_kinds(), block, member_offsets(block, cells));
}

std::vector<CellBlock> plan_puts(const std::vector<std::pair<std::int32_t, std::int32_t>>& cells,
                                 std::int64_t most_cells) {
    const std::vector<std::size_t> order = by_position(cells);
    // Runs along each row, no wider than a block may be; a cell given twice ends
    // the run and stays out of every block.
    std::vector<CellBlock> runs;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const auto [row, column] = cells[order[k]];
        if ((k > 0 && cells[order[k - 1]] == cells[order[k]]) ||
            (k + 1 < order.size() && cells[order[k + 1]] == cells[order[k]])) {
            continue;
        }
        if (!runs.empty() && runs.back().top == row && runs.back().right + 1 == column &&
            static_cast<std::int64_t>(runs.back().members.size()) < most_cells) {
            runs.back().right = column;
            runs.back().members.push_back(order[k]);
        } else {
            runs.push_back(CellBlock{row, column, row, column, {order[k]}});
        }
    }
    // Runs of the same columns in consecutive rows stack into one rectangle: a
    // column of listed cells is one block.
    std::map<std::pair<std::int32_t, std::int32_t>, std::size_t> open;  // (left, right) -> block
    std::vector<CellBlock> blocks;
    for (CellBlock& run : runs) {
        const auto it = open.find({run.left, run.right});
        if (it != open.end()) {
            CellBlock& above = blocks[it->second];
            if (above.bottom + 1 == run.top &&
                static_cast<std::int64_t>(above.members.size() + run.members.size()) <= most_cells) {
                above.bottom = run.top;
                above.members.insert(above.members.end(), run.members.begin(), run.members.end());
                continue;
            }
        }
        open[{run.left, run.right}] = blocks.size();
        blocks.push_back(std::move(run));
    }
    std::erase_if(blocks, [](const CellBlock& block) { return block.members.size() < 2; });
    return blocks;
}

void write_rows(const ResultList& list, const std::vector<std::size_t>& which,
                const std::vector<std::shared_ptr<HostWorkbook>>& books, const ReplaceTexts& t,
                CommandProgress& progress, Steps& steps, ReplaceRun& run) {
    const std::vector<SheetGroup> groups = group_by_sheet(list, which);
    run.to_do = 0;
    for (const SheetGroup& group : groups) {
        run.to_do += group.rows.size();
    }
    for (const SheetGroup& group : groups) {
        // The worksheet is looked up once. A workbook closed since the Find takes
        // its rows with it: they count as not written, and the others go on.
        std::unique_ptr<HostSheet> sheet;
        bool closed = false;
        const auto found = steps.run([&] {
            try {
                if (group.book >= books.size() || !books[group.book]) {
                    throw object_not_set_error(tarvex_source);
                }
                sheet = books[group.book]->sheet(group.sheet);
            } catch (...) {
                if (current_failure().hresult != hr::disconnected) {
                    throw;
                }
                closed = true;
            }
        });
        if (closed || found != Steps::Outcome::done) {
            run.not_written += group.rows.size();
            run.done += group.rows.size();
            continue;
        }
        // Text mode is tolerant from its first worksheet on: a cell that cannot
        // be written is counted and the others are still written.
        if (!t.whole_cell) {
            steps.go_silent();
        }
        SheetWork work{list, group, *sheet, t, steps, run, {}, std::vector<CellState>(group.rows.size())};
        for (const std::size_t i : group.rows) {
            const std::optional<CellRect> at = parse_range_address(list.row(i).address);
            work.cells.emplace_back(at ? at->top : 0, at ? at->left : 0);
        }
        write_sheet(work, progress);
        if (run.stopped) {
            return;
        }
    }
}

}  // namespace tarvex
