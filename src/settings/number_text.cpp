#include "settings/number_text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "base/steps.h"

namespace tarvex {
namespace {

TarvexError type_mismatch() {
    return TarvexError{13, error_text::type_mismatch};
}
TarvexError overflow() {
    return TarvexError{6, error_text::overflow};
}

double parse_number(std::u16string_view text, char16_t separator) {
    std::size_t first = text.find_first_not_of(u' ');
    std::size_t last = text.find_last_not_of(u' ');
    if (first == std::u16string_view::npos) {
        throw type_mismatch();
    }
    // Only ASCII digits, signs, the separator and an exponent make a number; the
    // text is rebuilt with a '.' for the C library, which reads the "C" locale.
    std::string ascii;
    for (char16_t c : text.substr(first, last - first + 1)) {
        if (c == separator) {
            ascii.push_back('.');
        } else if ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'e' || c == u'E') {
            ascii.push_back(static_cast<char>(c));
        } else {
            throw type_mismatch();
        }
    }
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(ascii.c_str(), &end);
    if (end == ascii.c_str() || *end != '\0') {
        throw type_mismatch();
    }
    if (errno == ERANGE && std::isinf(value)) {
        throw overflow();
    }
    return value;
}

}  // namespace

std::u16string single_text(float value, char16_t separator) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.7G", static_cast<double>(value));
    std::string text = buffer;
    const std::size_t exponent = text.find('E');
    std::string mantissa = text.substr(0, exponent);
    std::string suffix = exponent == std::string::npos ? "" : text.substr(exponent);
    if (mantissa.find('.') != std::string::npos) {
        while (!mantissa.empty() && mantissa.back() == '0') {
            mantissa.pop_back();
        }
        if (!mantissa.empty() && mantissa.back() == '.') {
            mantissa.pop_back();
        }
    }
    if (!suffix.empty()) {
        // E+007 or E+07 depending on the C library: the exponent takes two digits.
        const char sign = suffix[1];
        int digits = std::atoi(suffix.c_str() + 2);
        char exponent_text[8];
        std::snprintf(exponent_text, sizeof exponent_text, "E%c%02d", sign, digits);
        suffix = exponent_text;
    }
    std::u16string out;
    for (char c : mantissa + suffix) {
        out.push_back(c == '.' ? separator : static_cast<char16_t>(c));
    }
    return out;
}

float parse_single(std::u16string_view text, char16_t separator) {
    const double value = parse_number(text, separator);
    if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
        throw overflow();
    }
    return static_cast<float>(value);
}

std::int16_t parse_integer16(std::u16string_view text, char16_t separator) {
    const double rounded = std::nearbyint(parse_number(text, separator));  // half to even by default
    if (rounded < -32768.0 || rounded > 32767.0) {
        throw overflow();
    }
    return static_cast<std::int16_t>(rounded);
}

}  // namespace tarvex
