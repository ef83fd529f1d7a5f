#pragma once
// Regular expressions in Perl syntax, matched here against the texts the host
// gives: the host's own Find knows wildcards only. Matching is code unit for
// code unit, as everywhere in Tarvex, and ignores case (when asked) with
// Tarvex's own folding, so a pattern matches the same on every platform.
//
// The matcher gives up on a pattern whose matching grows past its complexity
// bound, such as (a+)+b against a long run of a's: a cell it gives up on is
// reported as such, never a hang and never a stack overflow in the host.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace tarvex {

// What compiling a pattern found wrong: the matcher's explanation, and where in
// the pattern (0-based code unit).
struct PatternError {
    std::u16string explanation;
    std::size_t position;
};

class Pattern {
public:
    // Throws PatternError. With `whole_text`, the pattern must match a cell's
    // whole text, not a part of it.
    Pattern(const std::u16string& pattern, bool match_case, bool whole_text);

    enum class Found { yes, no, gave_up };
    Found find_in(std::u16string_view text) const;

    // The text a replace writes. `format` may name what the match found: $1 to
    // $99 and ${1} its groups, ${name} a named group, $& the whole match, $$ a
    // dollar sign; anything else, backslashes included, stands for itself.
    // Every match is replaced, scanning from the left; with `whole_cell`, the
    // whole text becomes the expansion of the first match. The text comes back
    // unchanged when nothing matches, and nullopt when the matcher gave up.
    std::optional<std::u16string> replace(const std::u16string& text, const std::u16string& format,
                                          bool whole_cell) const;

private:
    struct Compiled;
    std::shared_ptr<const Compiled> compiled_;
    bool whole_text_;
};

}  // namespace tarvex
