// A1-style addresses: what the host's Range accepts and what its Address answers.
#include "model/model_detail.h"

#include <algorithm>

#include "base/text.h"

namespace standin {

namespace {

bool is_letter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
bool is_digit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

}  // namespace

std::optional<CellPos> parse_cell(std::u16string_view text) {
    std::size_t i = 0;
    if (i < text.size() && text[i] == u'$') {
        ++i;
    }
    // Three letters reach past XFD already, so longer runs cannot name a column
    // and stopping early keeps the arithmetic far from overflow.
    std::int32_t col = 0;
    const std::size_t letters_start = i;
    while (i < text.size() && is_letter(text[i])) {
        if (i - letters_start == 3) {
            return std::nullopt;
        }
        col = col * 26 + (tarvex::fold_case(text[i]) - u'a' + 1);
        ++i;
    }
    if (i == letters_start) {
        return std::nullopt;
    }
    if (i < text.size() && text[i] == u'$') {
        ++i;
    }
    // Leading zeros are refused: "A01" is not an address the host ever writes.
    const std::size_t digits_start = i;
    if (i >= text.size() || text[i] == u'0') {
        return std::nullopt;
    }
    std::int32_t row = 0;
    while (i < text.size() && is_digit(text[i])) {
        if (i - digits_start == 7) {
            return std::nullopt;  // more than seven digits is past the last row
        }
        row = row * 10 + (text[i] - u'0');
        ++i;
    }
    if (i == digits_start || i != text.size()) {
        return std::nullopt;
    }
    const CellPos p{row, col};
    if (!detail::inside_grid(p)) {
        return std::nullopt;
    }
    return p;
}

std::optional<Rect> parse_range(std::u16string_view text) {
    const std::size_t colon = text.find(u':');
    if (colon == std::u16string_view::npos) {
        const auto p = parse_cell(text);
        if (!p) {
            return std::nullopt;
        }
        return Rect{*p, *p};
    }
    const auto a = parse_cell(text.substr(0, colon));
    const auto b = parse_cell(text.substr(colon + 1));
    if (!a || !b) {
        return std::nullopt;
    }
    return Rect{{std::min(a->row, b->row), std::min(a->col, b->col)},
                {std::max(a->row, b->row), std::max(a->col, b->col)}};
}

std::u16string column_name(std::int32_t col) {
    std::u16string name;
    while (col > 0) {
        const std::int32_t digit = (col - 1) % 26;
        name.insert(name.begin(), static_cast<char16_t>(u'A' + digit));
        col = (col - 1) / 26;
    }
    return name;
}

std::u16string address(CellPos p) {
    return u"$" + column_name(p.col) + u"$" + tarvex::decimal(p.row);
}

std::u16string address(const Rect& r) {
    if (r.is_single_cell()) {
        return address(r.top_left);
    }
    return address(r.top_left) + u":" + address(r.bottom_right);
}

namespace detail {

std::u16string relative_address(CellPos p) {
    return column_name(p.col) + tarvex::decimal(p.row);
}

}  // namespace detail

}  // namespace standin
