#pragma once
// Cell addresses in the host's A1 notation, for the cells Tarvex reads in bulk
// and lists without asking the host for each cell's address.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvex {

// A rectangle of cells, rows and columns counted from 1.
struct CellRect {
    std::int32_t top = 1;
    std::int32_t left = 1;
    std::int32_t bottom = 1;
    std::int32_t right = 1;

    std::int64_t cell_count() const {
        return static_cast<std::int64_t>(bottom - top + 1) * static_cast<std::int64_t>(right - left + 1);
    }
    friend bool operator==(const CellRect&, const CellRect&) = default;
};

// "C12" and "$C$12".
std::u16string cell_address(std::int32_t row, std::int32_t column);
std::u16string absolute_address(std::int32_t row, std::int32_t column);

// An address as the host's Address gives it: "$B$2:$D$10", or "$A$1" for one
// cell (the dollar signs may be left out). nullopt for anything else.
std::optional<CellRect> parse_range_address(std::u16string_view address);

// The rectangle both cover, if any.
std::optional<CellRect> intersection(const CellRect& a, const CellRect& b);

}  // namespace tarvex
