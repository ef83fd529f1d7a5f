#pragma once
// Numbers as the settings store writes and reads them: in the user's number
// format, so a width written with a decimal comma is read back with one.
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex {

// A single-precision number as text: up to seven significant digits, no trailing
// zeros, the given decimal separator, exponent form for very large or small ones.
std::u16string single_text(float value, char16_t decimal_separator);

// The reverse: blanks around the number allowed; throws TarvexError 13 ("Type
// mismatch") for a text that is no number and 6 ("Overflow") for one out of range.
float parse_single(std::u16string_view text, char16_t decimal_separator);

// A 16-bit integer from a text: the number rounded half to even; 13 or 6 as above.
std::int16_t parse_integer16(std::u16string_view text, char16_t decimal_separator);

}  // namespace tarvex
