#pragma once
// The addresses one worksheet's walk has met, looked up in the listed rows
// themselves: an open-addressing table of row indices, so a match costs no key
// string and no allocation of its own. Find asks it, for every match, whether
// the walk has come round to a cell it has already listed.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/result_list.h"

namespace tarvex {

class MetAddresses {
public:
    // The worksheet's rows are those appended to `rows` from now on.
    explicit MetAddresses(const std::vector<ResultRow>& rows);

    bool contains(std::u16string_view address) const;
    // Records the row just appended.
    void add_last();

private:
    static constexpr std::uint32_t empty = 0xFFFFFFFFu;
    std::size_t mask() const { return slots_.size() - 1; }
    void place(std::uint32_t index);
    void grow();

    const std::vector<ResultRow>& rows_;
    std::size_t first_;                 // this worksheet's first row
    std::vector<std::uint32_t> slots_;  // indices from first_, a power of two of them
    std::size_t count_ = 0;
};

}  // namespace tarvex
