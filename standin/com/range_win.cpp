// Range: a rectangle of one sheet, with Find and the cell properties a search and
// replace tool reads and writes.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <utility>

#include "base/owners_win.h"
#include "com/objects_win.h"

namespace standin::com {
namespace {

// Find's constants as a client passes them.
constexpr std::int32_t look_in_formulas = -4123;
constexpr std::int32_t look_in_values = -4163;
constexpr std::int32_t look_in_comments = -4144;
constexpr std::int32_t look_at_whole = 1;
constexpr std::int32_t look_at_part = 2;
constexpr std::int32_t order_by_rows = 1;
constexpr std::int32_t order_by_columns = 2;
constexpr std::int32_t direction_next = 1;
constexpr std::int32_t direction_previous = 2;

// #N/A (2042) as the host reports it in a VT_ERROR.
constexpr SCODE cv_error_na = static_cast<SCODE>(0x800A07FA);

// Reading a range cell by cell is bounded: a whole-sheet range must not make one
// property read walk (or allocate) millions of cells.
constexpr std::int64_t max_cells_read = 65536;

template <class Option>
struct Choice {
    std::int32_t code;
    Option option;
};

// The option a passed constant stands for; nullopt when omitted. An unknown
// constant fails as the host's Find does.
template <class Option>
std::optional<Option> choose(std::optional<std::int32_t> code, std::initializer_list<Choice<Option>> choices) {
    if (!code) {
        return std::nullopt;
    }
    for (const auto& choice : choices) {
        if (choice.code == *code) {
            return choice.option;
        }
    }
    fail(hr::application_defined, find_failed);
}

std::int64_t cell_count(const Rect& area) {
    return static_cast<std::int64_t>(area.bottom_right.row - area.top_left.row + 1) *
           (area.bottom_right.col - area.top_left.col + 1);
}

Variant value_of(const Cell* cell) {
    if (cell == nullptr) {
        return Variant();
    }
    const Value& value = cell->value;
    switch (value.kind) {
        case ValueKind::number:
            return Variant::of_number(value.number);
        case ValueKind::text:
            return Variant::of_text(value.text);
        case ValueKind::boolean:
            return Variant::of_boolean(value.boolean);
        case ValueKind::error:
            // A literal the host does not know is shown as #N/A rather than as no value.
            return Variant::of_error(cv_error_scode(value.text).value_or(cv_error_na));
        case ValueKind::empty:
            break;
    }
    return Variant();
}

using tarvex::UniqueSafeArray;

class RangeObject final : public Dispatchable<RangeObject> {
public:
    RangeObject(std::shared_ptr<Application> app, std::shared_ptr<Workbook> book, std::shared_ptr<Sheet> sheet,
                Rect area)
        : Dispatchable(std::move(app)), book_(std::move(book)), sheet_(std::move(sheet)), area_(area) {}

    std::span<const Member<RangeObject>> members() const;
    std::u16string describe() const override { return address(area_); }
    RangeRef ref() const { return {sheet_, area_}; }

private:
    static const Member<RangeObject> member_table_[];

    std::string_view kind() const override { return "Range"; }
    void check_alive() const override { com::check_alive(*book_, *sheet_); }

    const Cell* top_left() const { return sheet_->cell(area_.top_left); }

    Variant find(Arguments& args);
    // RowAbsolute, ColumnAbsolute, ReferenceStyle, External and RelativeTo are
    // accepted; the answer is always the absolute A1 address without the sheet.
    Variant address_text(Arguments&) { return Variant::of_text(address(area_)); }
    Variant text(Arguments&);
    Variant formula(Arguments&) {
        return per_cell([](const Cell* cell) { return Variant::of_text(cell ? cell->formula_text() : u""); });
    }
    void put_formula(Arguments& args) {
        if ((args.put_value().vt & VT_ARRAY) != 0) {
            write_block(args.put_value());
        } else {
            write(args.put_text());
        }
    }
    // The optional RangeValueDataType argument is accepted and ignored.
    Variant value(Arguments&) { return per_cell(value_of); }
    void put_value(Arguments& args) { write(args.put_text()); }
    Variant select(Arguments&);
    Variant row(Arguments&) { return Variant::of_integer(area_.top_left.row); }
    Variant column(Arguments&) { return Variant::of_integer(area_.top_left.col); }

    // One cell's answer, or a rows x columns array of them as the host returns for a block.
    template <class CellAnswer>
    Variant per_cell(CellAnswer answer) const;
    void write(const std::u16string& typed) {
        if (!area_.is_single_cell()) {
            fail(hr::application_defined, application_defined_error);
        }
        sheet_->write_value(area_.top_left, typed);
    }
    void write_block(const VARIANT& value);
    CellPos after_cell(const Arguments& args, std::size_t position) const;

    std::shared_ptr<Workbook> book_;
    std::shared_ptr<Sheet> sheet_;
    Rect area_;
};

Variant RangeObject::find(Arguments& args) {
    const std::u16string what = args.text(0);
    std::optional<CellPos> after;
    if (!args.omitted(1)) {
        after = after_cell(args, 1);
    }
    const std::optional<std::int32_t> look_in_code = args.optional_integer(2);
    const std::optional<LookAt> look_at =
        choose<LookAt>(args.optional_integer(3), {{look_at_whole, LookAt::whole}, {look_at_part, LookAt::part}});
    const std::optional<SearchOrder> order = choose<SearchOrder>(
        args.optional_integer(4), {{order_by_rows, SearchOrder::by_rows}, {order_by_columns, SearchOrder::by_columns}});
    const Direction direction = choose<Direction>(args.optional_integer(5), {{direction_next, Direction::next},
                                                                             {direction_previous, Direction::previous}})
                                    .value_or(Direction::next);
    const bool match_case = args.optional_boolean(6).value_or(false);
    // MatchByte (7) and SearchFormat (8) are accepted and ignored: the model has
    // neither double-byte matching nor cell formats to search for.

    // The model keeps no comments, so a search in them finds nothing, and it
    // does not become the held choice either.
    if (look_in_code == look_in_comments) {
        return Variant::of_object(nullptr);
    }
    const std::optional<LookIn> look_in =
        choose<LookIn>(look_in_code, {{look_in_formulas, LookIn::formulas}, {look_in_values, LookIn::values}});

    const std::optional<CellPos> found =
        app().find(*sheet_, what, area_, after, look_in, look_at, order, direction, match_case);
    if (!found) {
        return Variant::of_object(nullptr);
    }
    return Variant::of_object(make_range_object(shared_app(), book_, sheet_, Rect{*found, *found}));
}

CellPos RangeObject::after_cell(const Arguments& args, std::size_t position) const {
    const std::optional<RangeRef> ref = range_of(args.at(position));
    if (!ref) {
        throw ArgumentError{DISP_E_TYPEMISMATCH, position};
    }
    if (ref->sheet != sheet_ || !ref->area.is_single_cell()) {
        fail(hr::application_defined, find_failed);
    }
    return ref->area.top_left;
}

Variant RangeObject::text(Arguments&) {
    const Cell* first = top_left();
    const std::u16string text = first ? first->display_text() : u"";
    if (area_.is_single_cell()) {
        return Variant::of_text(text);
    }
    // A block has a text only when every cell shows the same one.
    if (cell_count(area_) > max_cells_read) {
        return Variant::of_null();
    }
    for (std::int32_t r = area_.top_left.row; r <= area_.bottom_right.row; ++r) {
        for (std::int32_t c = area_.top_left.col; c <= area_.bottom_right.col; ++c) {
            const Cell* cell = sheet_->cell({r, c});
            if ((cell ? cell->display_text() : u"") != text) {
                return Variant::of_null();
            }
        }
    }
    return Variant::of_text(text);
}

template <class CellAnswer>
Variant RangeObject::per_cell(CellAnswer answer) const {
    if (area_.is_single_cell()) {
        return answer(top_left());
    }
    if (cell_count(area_) > max_cells_read) {
        fail(static_cast<std::int32_t>(E_OUTOFMEMORY), not_enough_memory);
    }
    const LONG rows = area_.bottom_right.row - area_.top_left.row + 1;
    const LONG cols = area_.bottom_right.col - area_.top_left.col + 1;
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows), 1}, {static_cast<ULONG>(cols), 1}};
    UniqueSafeArray array(::SafeArrayCreate(VT_VARIANT, 2, bounds));
    if (!array) {
        throw std::bad_alloc();
    }
    // Each answer moved into its place (the array runs column by column), not
    // copied in: a block read costs one text per cell, as the host's does.
    VARIANT* cells = nullptr;
    if (FAILED(::SafeArrayAccessData(array.get(), reinterpret_cast<void**>(&cells)))) {
        throw std::bad_alloc();
    }
    try {
        for (LONG r = 0; r < rows; ++r) {
            LONG c = 0;
            sheet_->each_in_row(area_.top_left.row + r, area_.top_left.col, area_.bottom_right.col,
                                [&](const Cell* cell) { answer(cell).detach_to(&cells[r + c++ * rows]); });
        }
    } catch (...) {
        ::SafeArrayUnaccessData(array.get());
        throw;
    }
    ::SafeArrayUnaccessData(array.get());
    Variant result;
    result.get().vt = VT_ARRAY | VT_VARIANT;
    result.get().parray = array.release();
    return result;
}

// A two-dimensional array as the host takes it for Formula: of the range's own
// shape (rows first, whatever the lower bounds), each element as typed into
// its cell. Another shape is refused, and so is an element with no text form.
void RangeObject::write_block(const VARIANT& value) {
    const LONG rows = area_.bottom_right.row - area_.top_left.row + 1;
    const LONG cols = area_.bottom_right.col - area_.top_left.col + 1;
    SAFEARRAY* array = value.parray;
    VARTYPE element = VT_EMPTY;
    LONG low[2] = {};
    LONG high[2] = {};
    if (value.vt != (VT_ARRAY | VT_VARIANT) || array == nullptr || ::SafeArrayGetDim(array) != 2 ||
        FAILED(::SafeArrayGetVartype(array, &element)) || element != VT_VARIANT ||
        FAILED(::SafeArrayGetLBound(array, 1, &low[0])) || FAILED(::SafeArrayGetUBound(array, 1, &high[0])) ||
        FAILED(::SafeArrayGetLBound(array, 2, &low[1])) || FAILED(::SafeArrayGetUBound(array, 2, &high[1]))) {
        throw ArgumentError{DISP_E_TYPEMISMATCH, put_value_position};
    }
    if (static_cast<std::int64_t>(high[0]) - low[0] + 1 != rows ||
        static_cast<std::int64_t>(high[1]) - low[1] + 1 != cols) {
        fail(hr::application_defined, application_defined_error);
    }
    if (cell_count(area_) > max_cells_read) {
        fail(static_cast<std::int32_t>(E_OUTOFMEMORY), not_enough_memory);
    }
    std::vector<std::u16string> typed;
    typed.reserve(static_cast<std::size_t>(cell_count(area_)));
    VARIANT* cells = nullptr;
    if (FAILED(::SafeArrayAccessData(array, reinterpret_cast<void**>(&cells)))) {
        throw ArgumentError{DISP_E_TYPEMISMATCH, put_value_position};
    }
    bool readable = true;
    for (LONG r = 0; r < rows && readable; ++r) {
        for (LONG c = 0; c < cols && readable; ++c) {
            std::optional<std::u16string> text = host_text(cells[r + c * rows]);
            readable = text.has_value();
            typed.push_back(text ? std::move(*text) : std::u16string());
        }
    }
    ::SafeArrayUnaccessData(array);
    if (!readable) {
        throw ArgumentError{DISP_E_TYPEMISMATCH, put_value_position};
    }
    sheet_->write_block(area_, typed);
}

Variant RangeObject::select(Arguments&) {
    // The host selects only on the sheet it shows: the active sheet of the active workbook.
    if (app().active_workbook() != book_ || book_->active_sheet() != sheet_) {
        fail(hr::application_defined, select_failed);
    }
    sheet_->select(area_.top_left);
    return Variant();
}

const Member<RangeObject> RangeObject::member_table_[] = {
    {method("Find", 1, 1, 9), &RangeObject::find},
    {read_only("Address", 2, 5), &RangeObject::address_text},
    {read_only("Text", 3), &RangeObject::text},
    {read_write("Formula", 4), &RangeObject::formula, &RangeObject::put_formula},
    {read_write("Value", 5, 1), &RangeObject::value, &RangeObject::put_value},
    {method("Select", 6), &RangeObject::select},
    {read_only("Row", 7), &RangeObject::row},
    {read_only("Column", 8), &RangeObject::column},
    // Value2 differs from Value only for currency and dates, which the model does
    // not tell apart from other numbers.
    {read_write("Value2", 9), &RangeObject::value, &RangeObject::put_value},
};
std::span<const Member<RangeObject>> RangeObject::members() const {
    return member_table_;
}

}  // namespace

ComPtr<IDispatch> make_range_object(std::shared_ptr<Application> app, std::shared_ptr<Workbook> book,
                                    std::shared_ptr<Sheet> sheet, Rect area) {
    return make_object<RangeObject>(std::move(app), std::move(book), std::move(sheet), area);
}

std::optional<RangeRef> range_of(const VARIANT& value) {
    ComPtr<RangeObject> range = own_object_as<RangeObject>(value);
    if (!range) {
        return std::nullopt;
    }
    return range->ref();
}

}  // namespace standin::com
