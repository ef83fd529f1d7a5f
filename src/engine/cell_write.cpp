#include "engine/cell_write.h"

#include "base/text.h"
#include "engine/escapes.h"

namespace tarvex {
namespace {

bool contains_folded(const std::u16string& text, const std::u16string& part, bool whole) {
    std::u16string folded_text;
    std::u16string folded_part;
    for (const char16_t c : text) {
        folded_text += fold_case(c);
    }
    for (const char16_t c : part) {
        folded_part += fold_case(c);
    }
    return whole ? folded_text == folded_part : folded_text.find(folded_part) != std::u16string::npos;
}

// Whether a rule finds the text, as Find listed the cell for it: needed where
// finding decides what is written, with the whole cell replaced by one of
// several rules.
bool finds(const ReplaceRule& rule, const ReplaceTexts& t, const std::u16string& text) {
    if (rule.pattern) {
        return rule.pattern->find_in(text) == Pattern::Found::yes;
    }
    if (t.match_case) {
        return t.whole_text ? text == rule.search : text.find(rule.search) != std::u16string::npos;
    }
    return contains_folded(text, rule.search, t.whole_text);
}

CellWrite written(HostRange& cell, const ResultRow& row, const std::u16string& before, bool before_is_text,
                  const std::u16string& text) {
    return CellWrite{Written::yes,
                     UndoEntry{row.sheet, row.address, before, before_is_text, formula_now(cell, text), row.book}};
}

CellWrite not_written() {
    return CellWrite{Written::no, {}};
}

}  // namespace

std::optional<std::u16string> replaced_text(const ReplaceTexts& t, const std::u16string& text) {
    std::u16string current = text;
    for (const ReplaceRule& rule : t.rules) {
        if (t.whole_cell && t.rules.size() > 1 && !finds(rule, t, current)) {
            continue;
        }
        std::optional<std::u16string> next;
        if (rule.pattern) {
            next = rule.pattern->replace(current, rule.replacement, t.whole_cell);
        } else {
            next = t.whole_cell ? rule.replacement : replace_all(current, rule.search, rule.replacement);
        }
        if (!next) {
            return std::nullopt;
        }
        current = std::move(*next);
    }
    return current;
}

bool is_formula(std::u16string_view text) {
    return !text.empty() && text[0] == u'=';
}

// The host turns typed input into its own form (090 into 90, =sum(a1) into
// =SUM(A1)), and Undo Replace compares with that. When it cannot be read, undo
// leaves a cell it does not recognise alone.
std::u16string formula_now(HostRange& cell, const std::u16string& written) {
    try {
        return cell.formula();
    } catch (...) {
        return written;
    }
}

bool earns_second_way(const Failure& failure) {
    return failure.number > 0 && !is_host_busy(failure.hresult);
}

// Whole-cell mode: the replacement is the cell's new content, whatever it held
// (for a pattern, when it still matches); what it held is read first, for Undo
// Replace.
CellWrite write_whole_cell(HostRange& cell, const ResultRow& row, const ReplaceTexts& t, Steps& steps) {
    std::u16string before;
    bool before_is_text = false;
    std::optional<std::u16string> next;
    if (steps.run([&] {
            before = cell.formula();
            before_is_text = !is_formula(before) && cell.holds_text();
            next = replaced_text(t, before);
            if (next && *next != before) {
                cell.set_value(*next);
            }
        }) == Steps::Outcome::skipped ||
        !next) {
        return not_written();
    }
    if (*next == before) {
        return CellWrite{Written::unchanged, {}};
    }
    return written(cell, row, before, before_is_text, *next);
}

CellWrite write_value(HostRange& cell, const ResultRow& row, const ReplaceTexts& t, Steps& steps,
                      const std::u16string& before, bool before_is_text, const std::u16string& replaced,
                      bool attempted) {
    // A host may apply a write and still report a failure. Replacing again in the
    // value would then replace inside the text already replaced, so the second
    // way runs only while the cell still holds what was read.
    if (attempted) {
        bool unchanged = false;
        if (steps.run([&] { unchanged = cell.formula() == before; }) != Steps::Outcome::done) {
            return not_written();  // cannot tell, so it is not written again
        }
        if (!unchanged) {
            return written(cell, row, before, before_is_text, replaced);  // the host did write it
        }
    }
    std::optional<std::u16string> value_written;
    bool gave_up = false;
    if (steps.run([&] {
            // A value without a text form (an error value) leaves the cell.
            const std::optional<std::u16string> value = cell.value_text();
            if (!value) {
                return;
            }
            std::optional<std::u16string> value_replaced = replaced_text(t, *value);
            gave_up = !value_replaced;
            if (value_replaced && *value_replaced != *value) {
                cell.set_value(*value_replaced);
                value_written = std::move(value_replaced);
            }
        }) == Steps::Outcome::skipped ||
        gave_up) {
        return not_written();
    }
    if (!value_written) {
        return CellWrite{Written::unchanged, {}};
    }
    return written(cell, row, before, before_is_text, *value_written);
}

// Text mode: the search text replaced inside the cell's formula text. The first
// such row switches the run to tolerant mode.
CellWrite write_text(HostRange& cell, const ResultRow& row, const ReplaceTexts& t, Steps& steps) {
    steps.go_silent();
    // Writing back a formula text the replacement left as it was would turn a
    // text 007 into the number 7 or flatten an array formula, so such a cell is
    // not written at all.
    std::optional<std::u16string> before;
    std::optional<bool> before_is_text;
    std::u16string replaced;
    bool attempted = false;
    bool gave_up = false;
    if (steps.run([&] {
            before = cell.formula();
            const std::optional<std::u16string> next = replaced_text(t, *before);
            gave_up = !next;
            replaced = next.value_or(*before);
            if (replaced != *before) {
                before_is_text = !is_formula(*before) && cell.holds_text();
                attempted = true;
                cell.set_value(replaced);
            }
        }) == Steps::Outcome::done) {
        if (gave_up) {
            return not_written();  // the matcher gave up on the cell: it cannot be replaced
        }
        return attempted ? written(cell, row, *before, *before_is_text, replaced) : CellWrite{Written::unchanged, {}};
    }
    // Nor does a cell whose text or kind could not be read first earn the second
    // way: what it held could not be written back by Undo Replace.
    if (!earns_second_way(*steps.last_failure()) || !before || !before_is_text) {
        return not_written();
    }
    return write_value(cell, row, t, steps, *before, *before_is_text, replaced, attempted);
}

}  // namespace tarvex
