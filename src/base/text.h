#pragma once
// Text helpers shared by the core, the stand-in host and the tests. Core text is
// UTF-16 code units (what the host's strings and the W functions are); UTF-8 only
// appears at the edges: files, test literals and console output.
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex {

// Invalid sequences become U+FFFD rather than failing: these convert files and
// literals, where a replacement character is a better answer than an exception.
std::u16string utf8_to_utf16(std::string_view text);
std::string utf16_to_utf8(std::u16string_view text);

// Shorthand for tests and fixed texts: u16("Done ...").
inline std::u16string u16(std::string_view text) {
    return utf8_to_utf16(text);
}

// Simple case folding of one UTF-16 code unit for the scripts a workbook is most
// likely to hold (Latin, Greek, Cyrillic); other code units fold to themselves.
char16_t fold_case(char16_t c);
bool equals_ignore_case(std::u16string_view a, std::u16string_view b);

// Plain decimal text of a signed number, with a minus sign when negative.
std::u16string decimal(std::int64_t value);

}  // namespace tarvex
