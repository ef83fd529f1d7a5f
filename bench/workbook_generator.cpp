#include "workbook_generator.h"

#include <array>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string_view>

#include "base/text.h"

namespace tarvex::bench {
namespace {

// The rectangle Find searches: columns A to IV, rows 1 to 65536.
constexpr std::int64_t searched_columns = 256;
constexpr std::int64_t searched_rows = 65536;
// Cells are laid out this many to a row, so a sheet looks like a table.
constexpr std::int64_t table_columns = 8;

// Texts around the search word, and texts that never contain it in any letter
// case. Lengths vary, so sorting by content compares texts of different lengths.
constexpr std::array<std::u16string_view, 10> heads = {u"Spare", u"Box of 12",   u"Sewing", u"Knitting", u"Darning",
                                                       u"Lost",  u"Order 4711:", u"Steel",  u"Tapestry", u"Surgical"};
constexpr std::array<std::u16string_view, 10> tails = {
    u"set",      u"case",       u"(steel)", u"x 24",   u"in the haystack",
    u"threader", u"- see note", u"work",    u"holder", u"for leather"};
constexpr std::array<std::u16string_view, 15> fillers = {u"hay",  u"straw",  u"thread", u"bobbin",   u"thimble",
                                                         u"yarn", u"button", u"fabric", u"scissors", u"ribbon",
                                                         u"zip",  u"spool",  u"bale",   u"barn",     u"field"};

// std::mt19937 gives the same numbers on every platform; the distributions of the
// standard library do not, so the draws are reduced by hand.
class Draw {
public:
    explicit Draw(std::uint32_t seed) : engine_(seed) {}
    std::size_t below(std::size_t bound) { return static_cast<std::size_t>(engine_() % bound); }
    template <class Pool>
    std::u16string_view from(const Pool& pool) {
        return pool[below(pool.size())];
    }

private:
    std::mt19937 engine_;
};

std::u16string matching_text(Draw& draw, std::u16string_view word) {
    std::u16string text;
    switch (draw.below(5)) {
        case 0:
            text = word;
            break;
        case 1:
            text.append(word).append(u" ").append(draw.from(tails));
            break;
        case 2:
            text.append(draw.from(heads)).append(u" ").append(word);
            break;
        case 3:
            text.append(draw.from(heads)).append(u" ").append(word).append(u" ").append(draw.from(tails));
            break;
        default:
            // The word inside a longer one: "needles", "needlework".
            text.append(draw.from(heads)).append(u" ").append(word).append(draw.below(2) == 0 ? u"s" : u"work");
            break;
    }
    if (draw.below(3) == 0) {
        text.append(u" #").append(decimal(static_cast<std::int64_t>(draw.below(10000))));
    }
    return text;
}

standin::Cell other_cell(Draw& draw) {
    standin::Cell cell;
    if (draw.below(3) == 0) {
        cell.value = standin::Value::of_number(static_cast<double>(draw.below(1000000)) / 100.0);
        return cell;
    }
    std::u16string text(draw.from(fillers));
    text.append(u" ").append(draw.from(fillers)).append(u" ");
    text.append(decimal(static_cast<std::int64_t>(draw.below(100000))));
    cell.value = standin::Value::of_text(std::move(text));
    return cell;
}

standin::CellPos position_of_key(std::uint64_t key) {
    // The model keys its cells as row << 16 | column.
    return {static_cast<std::int32_t>(key >> 16), static_cast<std::int32_t>(key & 0xFFFFu)};
}

}  // namespace

std::unique_ptr<standin::Workbook> generate_workbook(const WorkbookShape& shape, std::u16string name) {
    if (shape.matches < 0 || shape.sheets < 1 || shape.misses_per_match < 0) {
        throw std::invalid_argument("a workbook needs a sheet and no negative counts");
    }
    const std::int64_t group = 1 + static_cast<std::int64_t>(shape.misses_per_match);
    const std::int64_t most_matches = (shape.matches + shape.sheets - 1) / shape.sheets;
    const std::int64_t most_cells = most_matches * group;
    std::int64_t columns = table_columns;
    if ((most_cells + columns - 1) / columns > searched_rows) {
        columns = (most_cells + searched_rows - 1) / searched_rows;
    }
    if (columns > searched_columns) {
        throw std::invalid_argument("that many cells do not fit into A1:IV65536 of so few sheets");
    }

    Draw draw(shape.seed);
    auto book = std::make_unique<standin::Workbook>(std::move(name));
    for (int s = 0; s < shape.sheets; ++s) {
        standin::Sheet& sheet = book->add_sheet(u"Sheet" + decimal(s + 1));
        const std::int64_t matches = shape.matches / shape.sheets + (s < shape.matches % shape.sheets ? 1 : 0);
        // One cell of every group holds the word; which one is drawn, so matches
        // stand in every column and at irregular distances.
        for (std::int64_t g = 0; g < matches; ++g) {
            const std::int64_t hit = static_cast<std::int64_t>(draw.below(static_cast<std::size_t>(group)));
            for (std::int64_t i = 0; i < group; ++i) {
                const std::int64_t k = g * group + i;
                const standin::CellPos at{static_cast<std::int32_t>(k / columns + 1),
                                          static_cast<std::int32_t>(k % columns + 1)};
                if (i == hit) {
                    standin::Cell cell;
                    cell.value = standin::Value::of_text(matching_text(draw, shape.word));
                    sheet.set_cell(at, std::move(cell));
                } else {
                    sheet.set_cell(at, other_cell(draw));
                }
            }
        }
    }
    return book;
}

void touch_every_sheet(standin::Workbook& book) {
    for (const auto& sheet : book.worksheets()) {
        if (sheet->cells().empty()) {
            continue;
        }
        const auto& [key, cell] = *sheet->cells().begin();
        standin::Cell same = cell;
        sheet->set_cell(position_of_key(key), std::move(same));
    }
}

std::vector<ResultRow> matching_rows(const standin::Workbook& book, std::u16string_view word) {
    std::vector<ResultRow> rows;
    for (const auto& sheet : book.worksheets()) {
        const std::size_t first = rows.size();
        for (const auto& [key, cell] : sheet->cells()) {
            if (standin::matches(word, cell.formula_text(), standin::LookAt::part, false)) {
                rows.push_back(
                    ResultRow{sheet->name(), standin::address(position_of_key(key)), cell.display_text(), false});
            }
        }
        // Find starts after A1 and meets A1 last, when it wraps around.
        if (rows.size() > first && rows[first].address == u"$A$1") {
            ResultRow a1 = std::move(rows[first]);
            rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(first));
            rows.push_back(std::move(a1));
        }
    }
    return rows;
}

void save_workbook(const standin::Workbook& book, const std::string& path) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    const std::string text = book.save();
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace tarvex::bench
