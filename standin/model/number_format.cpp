// Numbers as the host shows them: General and the handful of formats the sample
// workbooks and the tests use.
//
// The host works with 15 significant digits, so a number is first taken to 15
// decimal digits and every later rounding is done on those digits, half away
// from zero. That is why 1.005 shows as 1.01 with "0.00", as it does in the
// host, although the double is slightly below 1.005.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "base/text.h"
#include "model/model_detail.h"

namespace standin {

namespace {

// digits (no leading or trailing zeros; empty for zero) with the decimal point
// after `point` of them: 1234.5 is {"12345", 4}, 0.0012 is {"12", -2}.
struct Decimal {
    bool negative = false;
    std::string digits;
    int point = 0;
};

Decimal to_decimal(double n) {
    Decimal d;
    d.negative = n < 0;
    if (n == 0) {
        return d;
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(n), std::chars_format::scientific, 14);
    const std::string text(buffer, result.ptr);  // d.ddddddddddddddde[+-]xx
    const std::size_t e = text.find('e');
    d.digits = text.substr(0, 1) + text.substr(2, e - 2);
    d.point = std::stoi(text.substr(e + 1)) + 1;
    while (!d.digits.empty() && d.digits.back() == '0') {
        d.digits.pop_back();
    }
    return d;
}

// Keeps the first `keep` digits, rounding half away from zero.
void round_digits(Decimal& d, int keep) {
    if (keep >= static_cast<int>(d.digits.size())) {
        return;
    }
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
            d.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[static_cast<std::size_t>(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.point;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0') {
        d.digits.pop_back();
    }
}

char digit_at(const Decimal& d, int index) {
    return index >= 0 && index < static_cast<int>(d.digits.size()) ? d.digits[static_cast<std::size_t>(index)] : '0';
}

// Fixed notation with exactly `places` decimals, digits grouped by thousands on request.
std::string fixed(const Decimal& d, int places, bool grouped) {
    std::string whole;
    for (int i = 0; i < d.point; ++i) {
        whole.push_back(digit_at(d, i));
    }
    if (whole.empty()) {
        whole = "0";
    }
    if (grouped) {
        for (int at = static_cast<int>(whole.size()) - 3; at > 0; at -= 3) {
            whole.insert(static_cast<std::size_t>(at), 1, ',');
        }
    }
    if (places > 0) {
        whole.push_back('.');
        for (int i = 0; i < places; ++i) {
            whole.push_back(digit_at(d, d.point + i));
        }
    }
    return whole;
}

std::u16string ascii(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

struct FixedFormat {
    std::u16string_view code;
    int places;
    bool grouped;
    bool percent;
    bool currency;
};

constexpr FixedFormat fixed_formats[] = {
    {u"0", 0, false, false, false},       {u"0.00", 2, false, false, false},    {u"#,##0", 0, true, false, false},
    {u"#,##0.00", 2, true, false, false}, {u"$#,##0.00", 2, true, false, true}, {u"0%", 0, false, true, false},
    {u"0.00%", 2, false, true, false},
};

}  // namespace

std::u16string general_number_text(double n) {
    if (!std::isfinite(n)) {
        return u"#NUM!";  // a cell never holds one; shown as the host's overflow error
    }
    if (n == 0) {
        return u"0";
    }
    Decimal d = to_decimal(n);
    const std::string sign = d.negative ? "-" : "";
    if (n == std::trunc(n) && std::fabs(n) < 1e11) {
        return ascii(sign + fixed(d, 0, false));
    }
    round_digits(d, 10);
    const int exponent = d.point - 1;
    if (exponent >= 11 || exponent < -9) {
        std::string mantissa = d.digits.substr(0, 1);
        if (d.digits.size() > 1) {
            mantissa += "." + d.digits.substr(1);
        }
        std::string power = std::to_string(exponent < 0 ? -exponent : exponent);
        if (power.size() < 2) {
            power.insert(power.begin(), '0');
        }
        return ascii(sign + mantissa + "E" + (exponent < 0 ? "-" : "+") + power);
    }
    const int places = std::max(0, static_cast<int>(d.digits.size()) - d.point);
    return ascii(sign + fixed(d, places, false));
}

namespace detail {

std::u16string format_number(double n, std::u16string_view format) {
    for (const auto& f : fixed_formats) {
        if (f.code != format) {
            continue;
        }
        if (!std::isfinite(n)) {
            return general_number_text(n);
        }
        Decimal d = to_decimal(n);
        if (f.percent) {
            d.point += 2;  // times 100, exactly
        }
        round_digits(d, d.point + f.places);
        // A small negative number that rounds to nothing keeps its sign, as the
        // host's "-0" does.
        std::string text = d.negative ? "-" : "";
        if (f.currency) {
            text += "$";
        }
        text += fixed(d, f.places, f.grouped);
        if (f.percent) {
            text += "%";
        }
        return ascii(text);
    }
    // General, "@" (text: a number in it still shows as General) and every format
    // the model does not know.
    return general_number_text(n);
}

}  // namespace detail

}  // namespace standin
