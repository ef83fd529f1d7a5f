#pragma once
// A block property's answer (Range.Formula, Range.Value2) read as a grid. The
// host answers a block with a two-dimensional SAFEARRAY of VARIANT, rows first,
// and a single cell with the scalar itself; which of the two arrived is the
// answer's own business, so a scalar is taken for one cell only once the
// range's address says it is one.
#include <functional>
#include <string>

#include "base/owners_win.h"
#include "ports/host.h"

namespace tarvex::dispatch {

// The range's address, asked for only when the answer is a scalar.
using AddressOf = std::function<std::u16string()>;

// Each cell's text: its formula or constant, "" for an empty cell. A malformed
// answer (another array shape or element type, an object, a scalar for a block)
// is a type-mismatch HostError.
// With `picks`, only the cells picked are turned into texts; the others read "".
CellGrid<std::u16string> formulas_of(Variant answer, const AddressOf& address, const CellPicks* picks = nullptr);
// The same texts in one buffer.
TextGrid formula_texts_of(Variant answer, const AddressOf& address);
// Each cell's kind by its value's type: VT_BSTR text, VT_ERROR error, VT_EMPTY
// empty, any other value a number.
CellGrid<ValueKind> value_kinds_of(Variant answer, const AddressOf& address);

// The texts as the two-dimensional VARIANT array a block put takes, rows first
// with lower bounds 1, as a macro-language client builds it.
UniqueSafeArray text_array_of(const CellGrid<std::u16string>& texts);

}  // namespace tarvex::dispatch
