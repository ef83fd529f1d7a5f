// Cell values, typed input and the texts a cell shows through Formula and Text.
#include <charconv>
#include <cmath>
#include <string>

#include "base/errors.h"
#include "base/text.h"
#include "model/model_detail.h"

namespace standin {

namespace {

struct ErrorLiteral {
    std::u16string_view text;
    int code;
};

constexpr ErrorLiteral error_literals[] = {
    {u"#NULL!", 2000}, {u"#DIV/0!", 2007}, {u"#VALUE!", 2015}, {u"#REF!", 2023},
    {u"#NAME?", 2029}, {u"#NUM!", 2036},   {u"#N/A", 2042},
};

const ErrorLiteral* find_error_literal(std::u16string_view text) {
    for (const auto& e : error_literals) {
        if (tarvex::equals_ignore_case(e.text, text)) {
            return &e;
        }
    }
    return nullptr;
}

bool is_digit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

std::u16string_view trim_blanks(std::u16string_view text) {
    while (!text.empty() && text.front() == u' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == u' ') {
        text.remove_suffix(1);
    }
    return text;
}

// Optional sign, digits with an optional decimal point, optional exponent. The
// text is checked here and rebuilt in the one shape from_chars is sure to take,
// so "1." and ".5" read like the host reads them and "inf" or "0x1p3" never do.
std::optional<double> parse_number(std::u16string_view text) {
    text = trim_blanks(text);
    std::size_t i = 0;
    std::string ascii;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-') {
            ascii.push_back('-');
        }
        ++i;
    }
    std::string whole;
    std::string fraction;
    while (i < text.size() && is_digit(text[i])) {
        whole.push_back(static_cast<char>(text[i++]));
    }
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (i < text.size() && is_digit(text[i])) {
            fraction.push_back(static_cast<char>(text[i++]));
        }
    }
    if (whole.empty() && fraction.empty()) {
        return std::nullopt;
    }
    ascii += (whole.empty() ? "0" : whole) + "." + (fraction.empty() ? "0" : fraction);
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        ascii.push_back('e');
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
            ascii.push_back(static_cast<char>(text[i++]));
        }
        const std::size_t exponent_start = i;
        while (i < text.size() && is_digit(text[i])) {
            ascii.push_back(static_cast<char>(text[i++]));
        }
        if (i == exponent_start) {
            return std::nullopt;
        }
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    double n = 0;
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), n);
    // Out of the double's range the host keeps the input as text, and so do we.
    if (result.ec != std::errc{} || result.ptr != ascii.data() + ascii.size() || !std::isfinite(n)) {
        return std::nullopt;
    }
    return n == 0 ? 0.0 : n;  // no negative zero
}

// The value a newly written formula gets. The model does not evaluate formulas:
// a formula that is one literal has that literal's value, any other has 0 until
// a file or a test gives it a computed value.
Value formula_value(std::u16string_view formula) {
    const std::u16string_view body = trim_blanks(formula.substr(1));
    if (body.size() >= 2 && body.front() == u'"' && body.back() == u'"') {
        const std::u16string_view inner = body.substr(1, body.size() - 2);
        std::u16string text;
        bool single = true;
        for (std::size_t i = 0; i < inner.size(); ++i) {
            if (inner[i] == u'"') {
                if (i + 1 >= inner.size() || inner[i + 1] != u'"') {
                    single = false;  // two strings joined, such as ="a"&"b"
                    break;
                }
                ++i;
            }
            text.push_back(inner[i]);
        }
        if (single) {
            return Value::of_text(std::move(text));
        }
    }
    if (auto literal = detail::literal_value(body)) {
        return *literal;
    }
    return Value::of_number(0);
}

}  // namespace

Value Value::of_number(double n) {
    Value v;
    v.kind = ValueKind::number;
    v.number = n;
    return v;
}

Value Value::of_text(std::u16string t) {
    Value v;
    v.kind = ValueKind::text;
    v.text = std::move(t);
    return v;
}

Value Value::of_boolean(bool b) {
    Value v;
    v.kind = ValueKind::boolean;
    v.boolean = b;
    return v;
}

Value Value::of_error(std::u16string e) {
    const ErrorLiteral* literal = find_error_literal(e);
    if (!literal) {
        detail::fail(hr::application_defined);
    }
    Value v;
    v.kind = ValueKind::error;
    v.text = std::u16string(literal->text);
    return v;
}

std::optional<int> error_code(std::u16string_view literal) {
    if (const ErrorLiteral* e = find_error_literal(literal)) {
        return e->code;
    }
    return std::nullopt;
}

namespace {

// A value as text the way the host writes a constant: numbers in General format.
std::u16string constant_text(const Value& value) {
    switch (value.kind) {
        case ValueKind::number:
            return general_number_text(value.number);
        case ValueKind::boolean:
            return value.boolean ? u"TRUE" : u"FALSE";
        case ValueKind::text:
        case ValueKind::error:
            return value.text;
        case ValueKind::empty:
            break;
    }
    return u"";
}

}  // namespace

std::u16string Cell::formula_text() const {
    return has_formula() ? formula : constant_text(value);
}

std::u16string Cell::display_text() const {
    if (display_override) {
        return *display_override;
    }
    if (value.kind == ValueKind::number) {
        return detail::format_number(value.number, number_format);
    }
    return constant_text(value);
}

std::optional<Cell> parse_typed_input(std::u16string_view typed) {
    Cell cell;
    if (typed.empty()) {
        return cell;
    }
    if (typed.front() == u'\'') {
        cell.value = Value::of_text(std::u16string(typed.substr(1)));
        return cell;
    }
    if (typed.front() == u'=') {
        if (!detail::is_valid_formula(typed)) {
            return std::nullopt;
        }
        cell.formula = std::u16string(typed);
        cell.value = formula_value(typed);
        return cell;
    }
    if (auto literal = detail::literal_value(typed)) {
        cell.value = *literal;
    } else {
        cell.value = Value::of_text(std::u16string(typed));
    }
    return cell;
}

namespace detail {

std::u16string default_description(std::int32_t hresult) {
    switch (hresult) {
        case hr::call_rejected:
            return u"Call was rejected by callee.";
        case hr::retry_later:
            return u"The message filter indicated that the application is busy.";
        case hr::disconnected:
            return u"The object invoked has disconnected from its clients.";
        case hr::application_defined:
            return tarvex::error_text::application_defined;
        case hr::object_required:
            return tarvex::error_text::object_required;
        case hr::bad_index:
            return tarvex::error_text::subscript_out_of_range;
        case hr::type_mismatch:
            return tarvex::error_text::type_mismatch;
        default:
            return tarvex::error_text::automation_error;
    }
}

void fail(std::int32_t hresult, std::u16string description) {
    if (description.empty()) {
        description = default_description(hresult);
    }
    throw Failure{hresult, std::move(description)};
}

std::optional<Value> literal_value(std::u16string_view text) {
    if (auto n = parse_number(text)) {
        return Value::of_number(*n);
    }
    if (tarvex::equals_ignore_case(text, u"TRUE")) {
        return Value::of_boolean(true);
    }
    if (tarvex::equals_ignore_case(text, u"FALSE")) {
        return Value::of_boolean(false);
    }
    if (const ErrorLiteral* e = find_error_literal(text)) {
        return Value::of_error(std::u16string(e->text));
    }
    return std::nullopt;
}

bool is_valid_formula(std::u16string_view formula) {
    if (formula.empty() || formula.front() != u'=') {
        return false;
    }
    int depth = 0;
    bool in_string = false;
    char16_t last = 0;  // the last code unit outside blanks, inside a string it is the quote
    for (std::size_t i = 1; i < formula.size(); ++i) {
        const char16_t c = formula[i];
        if (in_string) {
            if (c == u'"') {
                if (i + 1 < formula.size() && formula[i + 1] == u'"') {
                    ++i;  // "" stands for one quote inside the string
                } else {
                    in_string = false;
                }
            }
            last = u'"';
            continue;
        }
        if (c == u'"') {
            in_string = true;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')' && --depth < 0) {
            return false;
        }
        if (c != u' ') {
            last = c;
        }
    }
    if (in_string || depth != 0 || last == 0) {
        return false;
    }
    return std::u16string_view(u"+-*/^&,=<>").find(last) == std::u16string_view::npos;
}

std::u16string typed_form(const Value& value) {
    switch (value.kind) {
        case ValueKind::empty:
            return u"";
        case ValueKind::number: {
            if (!std::isfinite(value.number)) {
                return u"#NUM!";
            }
            // The shortest text that reads back as the same double, not the General
            // text, which keeps only ten digits.
            char buffer[64];
            const auto result = std::to_chars(buffer, buffer + sizeof buffer, value.number);
            return std::u16string(buffer, result.ptr);
        }
        case ValueKind::boolean:
            return value.boolean ? u"TRUE" : u"FALSE";
        case ValueKind::error:
            return value.text;
        case ValueKind::text:
            break;
    }
    const auto reread = parse_typed_input(value.text);
    if (reread && !reread->has_formula() && reread->value == value) {
        return value.text;
    }
    return u"'" + value.text;
}

}  // namespace detail

}  // namespace standin
