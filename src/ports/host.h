#pragma once
// The spreadsheet host as the core sees it: the few objects and operations the
// commands use. The DLL implements these ports with late-bound IDispatch calls;
// native tests implement them over the stand-in model directly.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"

namespace tarvex {

// Range.Find's LookIn and LookAt, with the host's own numbers.
enum class LookIn : std::int32_t { formulas = -4123, values = -4163 };
enum class LookAt : std::int32_t { whole = 1, part = 2 };

// What Find passes beyond the text. An option left unset is left out of the
// call, so the host applies what its own Find dialog last used; one that is set
// is passed, and the host keeps it for its dialog.
struct FindOptions {
    bool match_case = false;
    std::optional<LookAt> look_at{};
    std::optional<LookIn> look_in{};
};

// A cell value's kind, as a bulk read of values gives it: what an undo needs to
// write a text back as a text, and whether a value has a text form at all.
// `number` stands for every value that is neither text nor error (numbers,
// dates, currency, Booleans).
enum class ValueKind : std::uint8_t { empty, text, number, error };

// A rectangle of cells read in one call, row by row.
template <class T>
struct CellGrid {
    std::size_t rows = 0;
    std::size_t columns = 0;
    std::vector<T> cells;  // rows * columns of them

    const T& at(std::size_t row, std::size_t column) const { return cells[row * columns + column]; }
};

// A block's texts read in one call, kept in one buffer: a pattern search looks
// at every cell of a used range once, and a string of its own per cell would
// cost about as much as the host's answer.
struct TextGrid {
    std::size_t rows = 0;
    std::size_t columns = 0;
    std::u16string chars;           // every cell's text, one after the other, row by row
    std::vector<std::size_t> ends;  // where each cell's text ends in `chars`

    std::u16string_view at(std::size_t row, std::size_t column) const {
        const std::size_t i = row * columns + column;
        const std::size_t begin = i == 0 ? 0 : ends[i - 1];
        return std::u16string_view(chars).substr(begin, ends[i] - begin);
    }
    void push_back(std::u16string_view text) {
        chars.append(text);
        ends.push_back(chars.size());
    }
};

// The cells of a block a reading needs: rows * columns flags, row by row. A
// block read for scattered cells holds many that nobody looks at, and turning
// each of those into a string would cost about as much as the host's answer.
using CellPicks = std::vector<bool>;

class HostRange {
public:
    virtual ~HostRange() = default;
    // Range.Find forwards with these options; nullptr when no cell matches.
    virtual std::unique_ptr<HostRange> find(const std::u16string& what, const HostRange* after,
                                            const FindOptions& options) = 0;
    // Absolute A1 style without the sheet: $C$12, or $B$2:$D$10 for a rectangle.
    virtual std::u16string address() = 0;
    virtual std::u16string text() = 0;
    virtual std::u16string formula() = 0;
    // The value's text form, or nullopt for an error value.
    virtual std::optional<std::u16string> value_text() = 0;
    // Whether the value is a text (and not a number, date, Boolean or error that
    // only shows as one): what an undo needs to write a text back as a text.
    virtual bool holds_text() = 0;
    virtual void set_value(const std::u16string& value) = 0;
    // Range.Formula put: the text as typed input, as Value put takes it.
    virtual void set_formula(const std::u16string& formula) = 0;
    virtual void select() = 0;

    // Every cell's formula (its constant, or "" when empty) in one call; a range
    // of one cell gives one. With `picks`, a cell left out reads as "".
    virtual CellGrid<std::u16string> formulas(const CellPicks* picks) = 0;
    CellGrid<std::u16string> formulas() { return formulas(nullptr); }
    // The same read, the texts kept in one buffer.
    virtual TextGrid formula_texts() = 0;
    // Every cell's value kind in one call.
    virtual CellGrid<ValueKind> value_kinds() = 0;
    // Range.Formula put with an array of the range's own shape: each cell's text
    // (row by row in `formulas.cells`) as typed input. A failure says nothing of
    // which cells the host wrote before it gave up.
    virtual void set_formulas(const CellGrid<std::u16string>& formulas) = 0;
};

class HostSheet {
public:
    virtual ~HostSheet() = default;
    virtual std::u16string name() = 0;
    virtual void activate() = 0;
    virtual std::unique_ptr<HostRange> range(const std::u16string& cell) = 0;
    virtual std::unique_ptr<HostRange> range(const std::u16string& first, const std::u16string& last) = 0;
    // The rectangle from the first to the last used cell (A1 alone on an empty sheet).
    virtual std::unique_ptr<HostRange> used_range() = 0;
};

class HostWorkbook {
public:
    virtual ~HostWorkbook() = default;
    virtual std::u16string name() = 0;
    virtual void activate() = 0;
    // The worksheets (not chart sheets) in tab order.
    virtual std::vector<std::unique_ptr<HostSheet>> worksheets() = 0;
    // Sheets(name): any sheet of that name.
    virtual std::unique_ptr<HostSheet> sheet(const std::u16string& name) = 0;
    // Whether any of the workbook's windows is visible: a workbook whose every
    // window is hidden (a personal macro workbook) is not the user's to search.
    virtual bool has_visible_window() = 0;
};

class HostApplication {
public:
    virtual ~HostApplication() = default;
    // nullptr when no workbook is open.
    virtual std::shared_ptr<HostWorkbook> active_workbook() = 0;
    // Every open workbook, in the host's order.
    virtual std::vector<std::shared_ptr<HostWorkbook>> workbooks() = 0;
};

}  // namespace tarvex
