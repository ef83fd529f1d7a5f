// Range.Find over a sheet.
//
// A caller walks every match of a search with one call per match (each call
// starts after the previous match), so a call must not scan the sheet: with
// 100,000 matches that would be quadratic. The sheet therefore keeps, for the
// last few searches, the sorted positions of the matching cells in both search
// orders; a call is then a binary search from its start cell. The lists are
// rebuilt lazily once the sheet has changed.
#include <algorithm>
#include <iterator>

#include "model/model_detail.h"

namespace standin {

namespace {

// Positions as one number in the search order: major << 32 | minor, where major
// is the row (by rows) or the column (by columns).
using OrderKey = std::uint64_t;

struct Axes {
    std::int64_t major_first, major_last, minor_first, minor_last;
};

OrderKey order_key(std::int64_t major, std::int64_t minor) {
    return static_cast<OrderKey>(major) << 32 | static_cast<OrderKey>(minor);
}
std::int64_t major_of(OrderKey k) {
    return static_cast<std::int64_t>(k >> 32);
}
std::int64_t minor_of(OrderKey k) {
    return static_cast<std::int64_t>(k & 0xFFFFFFFFu);
}

Axes axes_of(const Rect& r, SearchOrder order) {
    if (order == SearchOrder::by_rows) {
        return {r.top_left.row, r.bottom_right.row, r.top_left.col, r.bottom_right.col};
    }
    return {r.top_left.col, r.bottom_right.col, r.top_left.row, r.bottom_right.row};
}

OrderKey key_in_order(CellPos p, SearchOrder order) {
    return order == SearchOrder::by_rows ? order_key(p.row, p.col) : order_key(p.col, p.row);
}

CellPos position_of(OrderKey k, SearchOrder order) {
    const auto major = static_cast<std::int32_t>(major_of(k));
    const auto minor = static_cast<std::int32_t>(minor_of(k));
    return order == SearchOrder::by_rows ? CellPos{major, minor} : CellPos{minor, major};
}

// The first listed key at or after `from` that lies in the rectangle. A key
// beside the rectangle sends the search to the start of the next line instead
// of stepping through the keys beside it one by one.
std::optional<OrderKey> first_from(const std::vector<OrderKey>& keys, const Axes& a, OrderKey from) {
    for (;;) {
        const auto it = std::lower_bound(keys.begin(), keys.end(), from);
        if (it == keys.end()) {
            return std::nullopt;
        }
        const std::int64_t major = major_of(*it);
        const std::int64_t minor = minor_of(*it);
        if (major > a.major_last) {
            return std::nullopt;
        }
        if (major < a.major_first) {
            from = order_key(a.major_first, a.minor_first);
        } else if (minor < a.minor_first) {
            from = order_key(major, a.minor_first);
        } else if (minor > a.minor_last) {
            from = order_key(major + 1, a.minor_first);
        } else {
            return *it;
        }
    }
}

// The last listed key at or before `upto` that lies in the rectangle.
std::optional<OrderKey> last_upto(const std::vector<OrderKey>& keys, const Axes& a, OrderKey upto) {
    for (;;) {
        auto it = std::upper_bound(keys.begin(), keys.end(), upto);
        if (it == keys.begin()) {
            return std::nullopt;
        }
        --it;
        const std::int64_t major = major_of(*it);
        const std::int64_t minor = minor_of(*it);
        if (major < a.major_first) {
            return std::nullopt;
        }
        if (major > a.major_last) {
            upto = order_key(a.major_last, a.minor_last);
        } else if (minor > a.minor_last) {
            upto = order_key(major, a.minor_last);
        } else if (minor < a.minor_first) {
            if (major == a.major_first) {
                return std::nullopt;
            }
            upto = order_key(major - 1, a.minor_last);
        } else {
            return *it;
        }
    }
}

}  // namespace

struct Sheet::MatchIndex {
    struct Entry {
        std::u16string what;
        LookIn look_in;
        LookAt look_at;
        bool match_case;
        std::vector<OrderKey> by_rows;
        std::vector<OrderKey> by_columns;
        std::uint64_t last_used;
    };
    // A Find walk alternates between very few searches (a replace run re-finds
    // with the same text), so a handful of entries is plenty.
    static constexpr std::size_t capacity = 4;

    std::uint64_t generation = 0;
    std::uint64_t clock = 0;
    std::vector<Entry> entries;

    const Entry& lookup(const Sheet& sheet, std::u16string_view what, const FindOptions& o) {
        if (generation != sheet.generation_) {
            entries.clear();
            generation = sheet.generation_;
        }
        ++clock;
        for (auto& e : entries) {
            if (e.what == what && e.look_in == o.look_in && e.look_at == o.look_at && e.match_case == o.match_case) {
                e.last_used = clock;
                return e;
            }
        }
        if (entries.size() == capacity) {
            entries.erase(std::min_element(entries.begin(), entries.end(),
                                           [](const Entry& a, const Entry& b) { return a.last_used < b.last_used; }));
        }
        Entry e{std::u16string(what), o.look_in, o.look_at, o.match_case, {}, {}, clock};
        const detail::Pattern pattern(what, o.look_at, o.match_case);
        if (!pattern.empty()) {
            for (const auto& [key, cell] : sheet.cells_) {
                const std::u16string text = o.look_in == LookIn::formulas ? cell.formula_text() : cell.display_text();
                if (pattern.matches(text)) {
                    const CellPos p = detail::key_position(key);
                    e.by_rows.push_back(key_in_order(p, SearchOrder::by_rows));  // the map is in this order
                    e.by_columns.push_back(key_in_order(p, SearchOrder::by_columns));
                }
            }
            std::sort(e.by_columns.begin(), e.by_columns.end());
        }
        entries.push_back(std::move(e));
        return entries.back();
    }
};

// Both here, where the index type is complete.
Sheet::Sheet(std::u16string name, SheetKind kind) : name_(std::move(name)), kind_(kind) {}
Sheet::~Sheet() = default;

std::optional<CellPos> Sheet::find(std::u16string_view what, const Rect& within, std::optional<CellPos> after,
                                   const FindOptions& options) const {
    const Rect rect{{std::min(within.top_left.row, within.bottom_right.row),
                     std::min(within.top_left.col, within.bottom_right.col)},
                    {std::max(within.top_left.row, within.bottom_right.row),
                     std::max(within.top_left.col, within.bottom_right.col)}};
    if (!detail::inside_grid(rect.top_left) || !detail::inside_grid(rect.bottom_right)) {
        detail::fail(hr::application_defined);
    }
    const CellPos start = after.value_or(rect.top_left);
    if (!rect.contains(start)) {
        detail::fail(hr::application_defined);
    }
    if (what.empty()) {
        return std::nullopt;
    }
    if (!index_) {
        index_ = std::make_unique<MatchIndex>();
    }
    const MatchIndex::Entry& entry = index_->lookup(*this, what, options);
    const std::vector<OrderKey>& keys = options.order == SearchOrder::by_rows ? entry.by_rows : entry.by_columns;
    const Axes axes = axes_of(rect, options.order);
    const OrderKey from = key_in_order(start, options.order);

    // The start cell is met last: search strictly after (or before) it, then wrap
    // around from the other end of the rectangle, which reaches the start cell itself.
    std::optional<OrderKey> found;
    if (options.direction == Direction::next) {
        found = first_from(keys, axes, from + 1);
        if (!found) {
            found = first_from(keys, axes, order_key(axes.major_first, axes.minor_first));
        }
    } else {
        found = last_upto(keys, axes, from - 1);
        if (!found) {
            found = last_upto(keys, axes, order_key(axes.major_last, axes.minor_last));
        }
    }
    if (!found) {
        return std::nullopt;
    }
    return position_of(*found, options.order);
}

std::size_t Sheet::cells_passed(CellPos from, CellPos to) const {
    const std::uint64_t start = detail::cell_key(from);
    const std::uint64_t end = detail::cell_key(to);
    const auto after_start = cells_.upper_bound(start);
    if (start < end) {
        return static_cast<std::size_t>(std::distance(after_start, cells_.lower_bound(end)));
    }
    // Round the end of the sheet and on from its first cell.
    return static_cast<std::size_t>(std::distance(after_start, cells_.end()) +
                                    std::distance(cells_.begin(), cells_.lower_bound(end)));
}

}  // namespace standin
