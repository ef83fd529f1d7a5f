#pragma once
// Pieces the model's sources share but its users have no business with.
#include "model/model.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin::detail {

inline bool inside_grid(CellPos p) {
    return p.row >= 1 && p.row <= max_row && p.col >= 1 && p.col <= max_col;
}

// The key of Sheet::cells_: row << 16 | col, so the map's order is by rows.
inline std::uint64_t cell_key(CellPos p) {
    return static_cast<std::uint64_t>(p.row) << 16 | static_cast<std::uint64_t>(p.col);
}
inline CellPos key_position(std::uint64_t key) {
    return {static_cast<std::int32_t>(key >> 16), static_cast<std::int32_t>(key & 0xFFFF)};
}

// The description the host gives with each code when nothing more specific is known.
std::u16string default_description(std::int32_t hresult);
[[noreturn]] void fail(std::int32_t hresult, std::u16string description = u"");

// "B7": the plain form the workbook files use.
std::u16string relative_address(CellPos p);

// A number, TRUE/FALSE or an error literal as typed (case-insensitive; numbers may
// carry blanks around them); nullopt for anything else.
std::optional<Value> literal_value(std::u16string_view text);

// Does "=..." hold a formula the host would accept? The model checks the shape
// only: something after '=', balanced parentheses, closed strings, no dangling operator.
bool is_valid_formula(std::u16string_view formula);

// A constant written the way a user types it so that parse_typed_input gives the
// same value back: text that would read as something else gets an apostrophe.
std::u16string typed_form(const Value& value);

// The value through one of the supported number formats (General for any other).
std::u16string format_number(double n, std::u16string_view format);

// A compiled search pattern: literal code units (folded unless case matters),
// "any one" and "any run".
class Pattern {
public:
    Pattern(std::u16string_view pattern, LookAt look_at, bool match_case);
    bool matches(std::u16string_view text) const;
    bool empty() const { return empty_; }

private:
    enum class Kind : std::uint8_t { literal, one, run };
    struct Token {
        Kind kind;
        char16_t unit;
    };
    std::vector<Token> tokens_;
    bool match_case_;
    bool empty_;
};

}  // namespace standin::detail
