#include "engine/cell_address.h"

#include <algorithm>

namespace tarvex {
namespace {

// Column letters of the widest grid the host has: XFD is column 16,384.
constexpr std::int32_t most_columns = 16384;
constexpr std::int32_t most_rows = 1048576;

std::u16string column_letters(std::int32_t column) {
    std::u16string letters;
    for (; column > 0; column = (column - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char16_t>(u'A' + (column - 1) % 26));
    }
    return letters;
}

std::u16string decimal_text(std::int32_t n) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + n % 10));
        n /= 10;
    } while (n > 0);
    return digits;
}

// One cell reference, $ signs optional; advances `at` past it.
std::optional<std::pair<std::int32_t, std::int32_t>> parse_cell(std::u16string_view text) {
    std::size_t at = 0;
    if (at < text.size() && text[at] == u'$') {
        ++at;
    }
    std::int64_t column = 0;
    const std::size_t letters = at;
    for (; at < text.size(); ++at) {
        char16_t c = text[at];
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
        if (c < u'A' || c > u'Z' || at - letters >= 3) {
            break;
        }
        column = column * 26 + (c - u'A' + 1);
    }
    if (at == letters) {
        return std::nullopt;
    }
    if (at < text.size() && text[at] == u'$') {
        ++at;
    }
    std::int64_t row = 0;
    const std::size_t digits = at;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9' && at - digits < 8; ++at) {
        row = row * 10 + (text[at] - u'0');
    }
    if (at == digits || at != text.size() || row < 1 || row > most_rows || column > most_columns) {
        return std::nullopt;
    }
    return std::pair{static_cast<std::int32_t>(row), static_cast<std::int32_t>(column)};
}

}  // namespace

std::u16string cell_address(std::int32_t row, std::int32_t column) {
    return column_letters(column) + decimal_text(row);
}

std::u16string absolute_address(std::int32_t row, std::int32_t column) {
    return u"$" + column_letters(column) + u"$" + decimal_text(row);
}

std::optional<CellRect> parse_range_address(std::u16string_view address) {
    const std::size_t colon = address.find(u':');
    const auto first = parse_cell(address.substr(0, colon));
    const auto last = colon == std::u16string_view::npos ? first : parse_cell(address.substr(colon + 1));
    if (!first || !last) {
        return std::nullopt;
    }
    return CellRect{std::min(first->first, last->first), std::min(first->second, last->second),
                    std::max(first->first, last->first), std::max(first->second, last->second)};
}

std::optional<CellRect> intersection(const CellRect& a, const CellRect& b) {
    const CellRect both{std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom),
                        std::min(a.right, b.right)};
    if (both.top > both.bottom || both.left > both.right) {
        return std::nullopt;
    }
    return both;
}

}  // namespace tarvex
