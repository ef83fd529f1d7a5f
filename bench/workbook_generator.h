#pragma once
// Large workbooks for the benchmarks: a known number of cells that contain the
// search word, spread over a few worksheets among many that do not. The same
// shape always gives the same workbook, so figures from different runs and from
// the native and Wine programs are about the same cells.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/model.h"
#include "engine/result_list.h"

namespace tarvex::bench {

struct WorkbookShape {
    int matches = 100000;
    int sheets = 4;
    int misses_per_match = 2;  // cells without the word, for every cell with it
    // Written exactly as given in every matching cell, so that a case-sensitive
    // replacement of it reaches every cell a case-blind Find lists.
    std::u16string word = u"needle";
    std::uint32_t seed = 20240917;
};

// Builds the workbook cell by cell in the model, without going through the text
// format. Worksheets are named "Sheet1", "Sheet2", ...; every cell lies inside
// A1:IV65536, the rectangle Find searches. Throws std::invalid_argument for a
// shape that does not fit there.
std::unique_ptr<standin::Workbook> generate_workbook(const WorkbookShape& shape, std::u16string name = u"Haystack.wb");

// Rewrites one cell of every worksheet with what it already holds. The workbook
// reads the same, but every sheet counts as changed, as after a replace run.
void touch_every_sheet(standin::Workbook& book);

// The rows Find lists for `word` (part of the text, case ignored, looked for in
// formulas), in Find's order, each with its cell's displayed text.
std::vector<ResultRow> matching_rows(const standin::Workbook& book, std::u16string_view word);

// Writes the workbook in the stand-in's text format, for a look at what the
// benchmarks search. Throws std::runtime_error when the file cannot be written.
void save_workbook(const standin::Workbook& book, const std::string& path);

}  // namespace tarvex::bench
