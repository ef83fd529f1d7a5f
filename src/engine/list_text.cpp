#include "engine/list_text.h"

#include "base/text.h"

namespace tarvex::list_text {
namespace {

constexpr char16_t line_end[] = u"\r\n";

bool needs_quotes(const std::u16string& field, char16_t separator) {
    for (const char16_t c : field) {
        if (c == separator || c == u'"' || c == u'\r' || c == u'\n') {
            return true;
        }
    }
    return false;
}

// The text between two `quote` marks, a quote mark inside it doubled: how both
// CSV fields and the host's sheet names are quoted.
std::u16string enclosed(const std::u16string& text, char16_t quote) {
    std::u16string out(1, quote);
    for (const char16_t c : text) {
        out += c;
        if (c == quote) {
            out += quote;
        }
    }
    return out + quote;
}

std::u16string quoted(const std::u16string& field, char16_t separator) {
    return needs_quotes(field, separator) ? enclosed(field, u'"') : field;
}

std::u16string guarded(const std::u16string& field) {
    if (!field.empty() && (field[0] == u'=' || field[0] == u'+' || field[0] == u'-' || field[0] == u'@')) {
        return u"'" + field;
    }
    return field;
}

std::u16string separated(const std::vector<ResultRow>& rows, char16_t separator, bool guard) {
    const auto field = [&](const std::u16string& text) { return quoted(guard ? guarded(text) : text, separator); };
    std::u16string out =
        field(header_sheet) + separator + field(header_cell) + separator + field(header_content) + line_end;
    for (const ResultRow& row : rows) {
        out += field(row.column_text(0)) + separator + field(row.address) + separator + field(row.content) + line_end;
    }
    return out;
}

bool is_ascii_letter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
bool is_digit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Letters then digits (A1, XFD1048576) or R1C1-style (R, C, R1, C2, R1C1): names
// the host would read as a reference if they stood unquoted.
bool reads_as_reference(const std::u16string& name) {
    std::size_t i = 0;
    while (i < name.size() && is_ascii_letter(name[i])) {
        ++i;
    }
    if (i > 0 && i <= 3 && i < name.size()) {
        std::size_t j = i;
        while (j < name.size() && is_digit(name[j])) {
            ++j;
        }
        if (j == name.size()) {
            return true;
        }
    }
    // R1C1 forms: R, C, Rn, Cn, RnCn, in either letter case.
    std::size_t k = 0;
    const auto part = [&](char16_t letter) {
        if (k < name.size() && (name[k] == letter || name[k] == letter + (u'a' - u'A'))) {
            ++k;
            while (k < name.size() && is_digit(name[k])) {
                ++k;
            }
            return true;
        }
        return false;
    };
    const bool row = part(u'R');
    const bool column = part(u'C');
    return (row || column) && k == name.size();
}

}  // namespace

std::u16string tab_separated(const std::vector<ResultRow>& rows) {
    return separated(rows, u'\t', false);
}

std::u16string comma_separated(const std::vector<ResultRow>& rows, bool guard) {
    return separated(rows, u',', guard);
}

std::u16string sheet_reference(const std::u16string& sheet) {
    bool plain = !sheet.empty() && !is_digit(sheet[0]) && !reads_as_reference(sheet);
    for (const char16_t c : sheet) {
        plain = plain && (is_ascii_letter(c) || is_digit(c) || c == u'_' || c == u'.' || c > 0x7F);
    }
    return plain ? sheet : enclosed(sheet, u'\'');
}

std::u16string references(const std::vector<ResultRow>& rows) {
    std::u16string out;
    for (const ResultRow& row : rows) {
        // A sheet of another workbook is always quoted: '[Book name]Sheet name'.
        const std::u16string sheet =
            row.shown_sheet.empty() ? sheet_reference(row.sheet) : enclosed(row.shown_sheet, u'\'');
        out += sheet + u"!" + row.address + line_end;
    }
    return out;
}

std::string export_file(const std::vector<ResultRow>& rows) {
    return "\xEF\xBB\xBF" + utf16_to_utf8(comma_separated(rows, true));
}

}  // namespace tarvex::list_text
