#include "engine/met_addresses.h"

#include <functional>

namespace tarvex {
namespace {

std::size_t hash(std::u16string_view address) {
    return std::hash<std::u16string_view>{}(address);
}

}  // namespace

MetAddresses::MetAddresses(const std::vector<ResultRow>& rows) : rows_(rows), first_(rows.size()), slots_(64, empty) {}

bool MetAddresses::contains(std::u16string_view address) const {
    for (std::size_t at = hash(address) & mask();; at = (at + 1) & mask()) {
        if (slots_[at] == empty) {
            return false;
        }
        if (rows_[first_ + slots_[at]].address == address) {
            return true;
        }
    }
}

void MetAddresses::add_last() {
    if ((count_ + 1) * 2 > slots_.size()) {
        grow();
    }
    place(static_cast<std::uint32_t>(rows_.size() - 1 - first_));
    ++count_;
}

void MetAddresses::place(std::uint32_t index) {
    std::size_t at = hash(rows_[first_ + index].address) & mask();
    while (slots_[at] != empty) {
        at = (at + 1) & mask();
    }
    slots_[at] = index;
}

void MetAddresses::grow() {
    std::vector<std::uint32_t> old(slots_.size() * 2, empty);
    old.swap(slots_);
    for (const std::uint32_t index : old) {
        if (index != empty) {
            place(index);
        }
    }
}

}  // namespace tarvex
