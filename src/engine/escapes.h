#pragma once
// Escapes in search and replacement texts, and the replacement rule the replace
// commands use.
#include <string>
#include <string_view>

namespace tarvex {

// Replaces every occurrence of `find` in `text` by `replacement`, scanning from
// the left, case-sensitively, code unit for code unit; after a match the scan goes
// on behind it, so occurrences never overlap and inserted text is never searched
// again. An empty `find` leaves the text as it is.
std::u16string replace_all(std::u16string_view text, std::u16string_view find, std::u16string_view replacement);

// Expands "^CRLF" (carriage return and line feed), then "^CR" (a line feed, as
// the product has always done) and then "^TB" (a tab). The order matters: "^CR"
// is the start of "^CRLF". Nothing else is touched; the text is not trimmed.
std::u16string PrepareSearchString(std::u16string_view text);

}  // namespace tarvex
