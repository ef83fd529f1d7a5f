#pragma once
// One worksheet's part of Find, in either of its two ways: the host's own Find
// walked match after match, or (for a pattern) the used range read in blocks
// and every cell matched here. Both append the sheet's rows in the order the
// user sees them and end the same ways.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/steps.h"
#include "engine/pattern.h"
#include "engine/result_list.h"
#include "ports/controls.h"
#include "ports/host.h"

namespace tarvex {

struct SheetSearch {
    std::u16string what;  // the search text after its escapes
    FindOptions find_options;
    // Set: the cells are matched here against this pattern, not by the host.
    const Pattern* pattern = nullptr;
    bool in_values = false;  // a pattern is matched against what the cells show
    // What the rows found are marked with: the workbook searched, and the pair
    // of a list of pairs whose search text this is.
    std::uint32_t book = 0;
    std::uint32_t pair = 0;
    // Cells the search could not judge: the matcher gave up on them, or the host
    // gave their block in a shape that cannot be read. The status says so.
    std::size_t not_judged = 0;
};

enum class WalkEnd { next_sheet, refused, stopped };

// The first call on the worksheet switches the run to tolerant mode; a host that
// refuses that call (it is busy) ends the whole command.
WalkEnd walk_sheet(HostSheet& sheet, SheetSearch& search, Steps& steps, CommandProgress& progress,
                   std::vector<ResultRow>& rows);
WalkEnd scan_sheet(HostSheet& sheet, SheetSearch& search, Steps& steps, CommandProgress& progress,
                   std::vector<ResultRow>& rows);

// The rectangle Find searches on every worksheet: columns A to IV, rows 1 to 65536.
inline constexpr char16_t search_first_cell[] = u"A1";
inline constexpr char16_t search_last_cell[] = u"IV65536";

}  // namespace tarvex
