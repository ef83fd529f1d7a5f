#include "host/cell_grid_win.h"

#include <oleauto.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

#include "host/dispatch_call_win.h"

namespace tarvex::dispatch {

namespace {

// A value that can stand in a cell: objects and arrays cannot.
bool is_cell_value(VARTYPE type) {
    return (type & (VT_ARRAY | VT_BYREF)) == 0 && type != VT_DISPATCH && type != VT_UNKNOWN;
}

// The cell's text where it stands (a formula that is not a text is turned into
// one there), valid while the answer lives.
std::u16string_view formula_view(VARIANT& value) {
    if (!is_cell_value(value.vt)) {
        throw_failure(DISP_E_TYPEMISMATCH);
    }
    if (value.vt == VT_EMPTY || value.vt == VT_NULL) {
        return {};
    }
    if (value.vt != VT_BSTR) {
        const HRESULT hr = ::VariantChangeType(&value, &value, VARIANT_ALPHABOOL, VT_BSTR);
        if (FAILED(hr)) {
            throw_failure(hr);
        }
    }
    if (value.bstrVal == nullptr) {
        return {};
    }
    return std::u16string_view(reinterpret_cast<const char16_t*>(value.bstrVal), ::SysStringLen(value.bstrVal));
}

std::u16string formula_of(VARIANT& value) {
    return std::u16string(formula_view(value));
}

ValueKind kind_of(VARIANT& value) {
    if (!is_cell_value(value.vt)) {
        throw_failure(DISP_E_TYPEMISMATCH);
    }
    switch (value.vt) {
        case VT_BSTR:
            return ValueKind::text;
        case VT_ERROR:
            return ValueKind::error;
        case VT_EMPTY:
            return ValueKind::empty;
        default:
            return ValueKind::number;
    }
}

// One host answer without its by-reference level; a reference to nothing is malformed.
void dereference(Variant& answer) {
    VARIANT& value = *answer.get();
    if ((value.vt & VT_BYREF) == 0) {
        return;
    }
    if (value.byref == nullptr) {
        throw_failure(DISP_E_TYPEMISMATCH);
    }
    const HRESULT hr = ::VariantCopyInd(&value, &value);
    if (FAILED(hr)) {
        throw_failure(hr);
    }
}

struct Bounds {
    LONG first_row = 0;
    LONG first_column = 0;
    std::size_t rows = 0;
    std::size_t columns = 0;
};

// The array's rows and columns, whatever its lower bounds: a VARIANT array of
// two dimensions holding at least one cell, or a type mismatch.
Bounds bounds_of(SAFEARRAY* array) {
    VARTYPE element = VT_EMPTY;
    if (array == nullptr || ::SafeArrayGetDim(array) != 2 || FAILED(::SafeArrayGetVartype(array, &element)) ||
        element != VT_VARIANT || ::SafeArrayGetElemsize(array) != sizeof(VARIANT)) {
        throw_failure(DISP_E_TYPEMISMATCH);
    }
    LONG low[2] = {};
    LONG high[2] = {};
    for (UINT dimension = 1; dimension <= 2; ++dimension) {
        if (FAILED(::SafeArrayGetLBound(array, dimension, &low[dimension - 1])) ||
            FAILED(::SafeArrayGetUBound(array, dimension, &high[dimension - 1])) ||
            high[dimension - 1] < low[dimension - 1]) {
            throw_failure(DISP_E_TYPEMISMATCH);
        }
    }
    const auto extent = [&](int d) {
        return static_cast<std::size_t>(static_cast<std::int64_t>(high[d]) - low[d] + 1);
    };
    const Bounds bounds{low[0], low[1], extent(0), extent(1)};
    // Bounds no array in memory can have (more cells than a size counts) are not
    // the host's; they must not wrap round into a small grid.
    if (bounds.rows > SIZE_MAX / bounds.columns) {
        throw_failure(DISP_E_TYPEMISMATCH);
    }
    return bounds;
}

// A VARIANT array's elements, locked in place while this lives.
struct ArrayAccess {
    SAFEARRAY* array;
    VARIANT* cells = nullptr;
    explicit ArrayAccess(SAFEARRAY* a) : array(a) {
        void* data = nullptr;
        const HRESULT hr = ::SafeArrayAccessData(array, &data);
        if (FAILED(hr)) {
            throw_failure(hr);
        }
        cells = static_cast<VARIANT*>(data);
    }
    ~ArrayAccess() { ::SafeArrayUnaccessData(array); }
    ArrayAccess(const ArrayAccess&) = delete;
    ArrayAccess& operator=(const ArrayAccess&) = delete;
};

// A single cell's address has no colon (a rectangle) and no comma (more areas).
bool is_one_cell(const std::u16string& address) {
    return !address.empty() && address.find_first_of(u":,") == std::u16string::npos;
}

// Hands each cell of the answer, row by row, to `cell(value, index)`, after its
// shape to `shape(rows, columns)`.
template <class Shape, class Cell>
void walk_cells(Variant answer, const AddressOf& address, Shape shape, Cell cell) {
    dereference(answer);
    VARIANT& value = *answer.get();
    if ((value.vt & VT_ARRAY) == 0) {
        if (!is_cell_value(value.vt) || !is_one_cell(address())) {
            throw_failure(DISP_E_TYPEMISMATCH);
        }
        shape(1, 1);
        cell(value, 0);
        return;
    }
    if (value.vt != (VT_ARRAY | VT_VARIANT)) {
        throw_failure(DISP_E_TYPEMISMATCH);
    }
    const Bounds bounds = bounds_of(value.parray);
    shape(bounds.rows, bounds.columns);
    // Read in place (a formula that is not a text is turned into one there),
    // with no copy of any element: its memory runs column by
    // column from the first bound on, and the grid is row by row. A copy per
    // element (a text each) would cost more than the cell's own answer.
    const ArrayAccess access(value.parray);
    std::size_t at = 0;
    for (std::size_t r = 0; r < bounds.rows; ++r) {
        for (std::size_t c = 0; c < bounds.columns; ++c, ++at) {
            cell(access.cells[r + c * bounds.rows], at);
        }
    }
}

template <class T, class Read>
CellGrid<T> grid_of(Variant answer, const AddressOf& address, Read read, const CellPicks* picks = nullptr) {
    CellGrid<T> grid;
    walk_cells(
        std::move(answer), address,
        [&](std::size_t rows, std::size_t columns) {
            grid.rows = rows;
            grid.columns = columns;
            grid.cells.reserve(rows * columns);
        },
        [&](VARIANT& value, std::size_t at) {
            const bool picked = picks == nullptr || (at < picks->size() && (*picks)[at]);
            grid.cells.push_back(picked ? read(value) : T{});
        });
    return grid;
}

}  // namespace

CellGrid<std::u16string> formulas_of(Variant answer, const AddressOf& address, const CellPicks* picks) {
    return grid_of<std::u16string>(std::move(answer), address, formula_of, picks);
}

UniqueSafeArray text_array_of(const CellGrid<std::u16string>& texts) {
    if (texts.rows == 0 || texts.columns == 0 || texts.cells.size() != texts.rows * texts.columns ||
        texts.rows > static_cast<std::size_t>(LONG_MAX) || texts.columns > static_cast<std::size_t>(LONG_MAX)) {
        throw_failure(E_INVALIDARG);
    }
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(texts.rows), 1}, {static_cast<ULONG>(texts.columns), 1}};
    UniqueSafeArray array(::SafeArrayCreate(VT_VARIANT, 2, bounds));
    if (!array) {
        throw std::bad_alloc();
    }
    {
        // The array owns each text as soon as it is in place, so a failure
        // halfway frees what was made.
        const ArrayAccess access(array.get());
        for (std::size_t r = 0; r < texts.rows; ++r) {
            for (std::size_t c = 0; c < texts.columns; ++c) {
                VARIANT& cell = access.cells[r + c * texts.rows];
                cell.bstrVal = to_bstr(texts.at(r, c));
                if (cell.bstrVal == nullptr) {
                    throw std::bad_alloc();
                }
                cell.vt = VT_BSTR;
            }
        }
    }
    return array;
}

TextGrid formula_texts_of(Variant answer, const AddressOf& address) {
    TextGrid grid;
    walk_cells(
        std::move(answer), address,
        [&](std::size_t rows, std::size_t columns) {
            grid.rows = rows;
            grid.columns = columns;
            grid.ends.reserve(rows * columns);
        },
        [&](VARIANT& value, std::size_t) { grid.push_back(formula_view(value)); });
    return grid;
}

CellGrid<ValueKind> value_kinds_of(Variant answer, const AddressOf& address) {
    return grid_of<ValueKind>(std::move(answer), address, kind_of);
}

}  // namespace tarvex::dispatch
