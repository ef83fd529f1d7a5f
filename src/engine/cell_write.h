#pragma once
// How the replace commands write one cell: what its text becomes, and the ways
// of writing it (the formula text, then, where the host turns that down with
// one of its own errors, the value's text), with what Undo Replace needs of it.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "base/steps.h"
#include "engine/pattern.h"
#include "engine/result_list.h"
#include "engine/undo.h"
#include "ports/host.h"

namespace tarvex {

// One search text with its replacement: the texts of the two boxes, or one
// line of a list of pairs. Both after their escapes.
struct ReplaceRule {
    std::u16string search;
    std::u16string replacement;
    std::optional<Pattern> pattern;  // set: the search text is a pattern
};

struct ReplaceTexts {
    // Applied in order, each to what the ones before it left.
    std::vector<ReplaceRule> rules;
    bool whole_cell = false;  // "Entire Cell Content"
    // How a rule's search text finds a cell when the whole cell is replaced.
    bool match_case = false;
    bool whole_text = false;
};

// What a cell's text becomes: every occurrence (or match) replaced, or with
// "Entire Cell Content" the replacement itself (for a pattern, the expansion of
// its first match). With several rules, each rule that finds the text applies
// to what the rules before it left. nullopt when the matcher gave up.
std::optional<std::u16string> replaced_text(const ReplaceTexts& t, const std::u16string& text);

enum class Written { yes, unchanged, no };
struct CellWrite {
    Written written;
    UndoEntry entry;  // what Undo Replace needs, when written
};

bool is_formula(std::u16string_view text);

// What a cell holds after a write, as its formula reads back; when it cannot be
// read, the text written stands in.
std::u16string formula_now(HostRange& cell, const std::u16string& written);

// The ways of writing one cell, each reading the cell first: whole-cell mode,
// and text mode (which switches the run to tolerant mode).
CellWrite write_whole_cell(HostRange& cell, const ResultRow& row, const ReplaceTexts& t, Steps& steps);
CellWrite write_text(HostRange& cell, const ResultRow& row, const ReplaceTexts& t, Steps& steps);

// The second way for a text-mode cell whose formula the host turned down with
// one of its own errors: the replacement made in the value's text. `attempted`:
// the first write was tried (the host may have applied it all the same).
CellWrite write_value(HostRange& cell, const ResultRow& row, const ReplaceTexts& t, Steps& steps,
                      const std::u16string& before, bool before_is_text, const std::u16string& replaced,
                      bool attempted);

// Whether a failure is one of the host's own errors about the cell, which earns
// the value-based second way (a busy host refuses that too, and a failure
// without an error number is not about the text).
bool earns_second_way(const Failure& failure);

}  // namespace tarvex
