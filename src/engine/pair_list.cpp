#include "engine/pair_list.h"

#include <cstdint>

#include "base/text.h"

namespace tarvex {
namespace {

std::u16string number(std::size_t n) {
    return decimal(static_cast<std::int64_t>(n));
}

[[noreturn]] void refuse(std::size_t line, const std::u16string& what) {
    throw PairListError{u"line " + number(line) + u" " + what + u"."};
}

// One record's fields; `at` moves past the record and its line end, `line`
// past the line breaks inside quoted fields.
std::vector<std::u16string> read_record(std::u16string_view text, std::size_t& at, std::size_t& line,
                                        char16_t separator) {
    const std::size_t first_line = line;
    std::vector<std::u16string> fields(1);
    while (at < text.size()) {
        const char16_t c = text[at];
        if (c == u'"' && fields.back().empty()) {
            // A quoted field: up to the quote that is not doubled.
            for (++at;; ++at) {
                if (at >= text.size()) {
                    refuse(first_line, u"has a quote that is not closed");
                }
                if (text[at] == u'"') {
                    if (at + 1 < text.size() && text[at + 1] == u'"') {
                        fields.back() += u'"';
                        ++at;
                        continue;
                    }
                    ++at;
                    break;
                }
                line += text[at] == u'\n';
                fields.back() += text[at];
            }
            continue;
        }
        ++at;
        if (c == separator) {
            fields.emplace_back();
        } else if (c == u'\n') {
            ++line;
            break;
        } else if (c == u'\r') {
            if (at < text.size() && text[at] == u'\n') {
                ++at;
            }
            ++line;
            break;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

bool is_header(const std::vector<std::u16string>& fields) {
    return fields.size() == 2 && equals_ignore_case(fields[0], u"Find") && equals_ignore_case(fields[1], u"Replace");
}

}  // namespace

std::u16string decode_text_file(std::string_view bytes) {
    if (bytes.size() >= 2 &&
        (static_cast<unsigned char>(bytes[0]) == 0xFF || static_cast<unsigned char>(bytes[0]) == 0xFE) &&
        static_cast<unsigned char>(bytes[1]) == (static_cast<unsigned char>(bytes[0]) ^ 0x01)) {
        const bool little = static_cast<unsigned char>(bytes[0]) == 0xFF;
        std::u16string text;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const auto lo = static_cast<unsigned char>(bytes[little ? i : i + 1]);
            const auto hi = static_cast<unsigned char>(bytes[little ? i + 1 : i]);
            text += static_cast<char16_t>(hi << 8 | lo);
        }
        return text;
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    }
    return utf8_to_utf16(bytes);
}

std::vector<TextPair> parse_pairs(std::u16string_view text) {
    const std::size_t first_end = text.find_first_of(u"\r\n");
    const char16_t separator = text.substr(0, first_end).find(u'\t') != std::u16string_view::npos ? u'\t' : u',';
    std::vector<TextPair> pairs;
    std::size_t at = 0;
    std::size_t line = 1;
    bool first = true;
    while (at < text.size()) {
        const std::size_t starts = line;
        const std::vector<std::u16string> fields = read_record(text, at, line, separator);
        const bool was_first = first;
        first = false;
        if (fields.size() == 1 && fields[0].empty()) {
            continue;  // an empty line
        }
        if (was_first && is_header(fields)) {
            continue;
        }
        if (fields.size() != 2) {
            refuse(starts, fields.size() == 1 ? u"has one column, not two (the text to find and its replacement)"
                                              : u"has " + number(fields.size()) + u" columns, not two");
        }
        if (fields[0].empty()) {
            refuse(starts, u"has no text to find");
        }
        pairs.push_back(TextPair{fields[0], fields[1], starts});
    }
    return pairs;
}

}  // namespace tarvex
