#include "engine/pattern.h"

#define BOOST_REGEX_STANDALONE
#include <boost/regex.hpp>

#include <string_view>

#include "base/text.h"

namespace tarvex {
namespace {

// Case folded with Tarvex's own table (the scripts a workbook is most likely
// to hold), not the C library's, which in its default locale folds ASCII only.
struct FoldingTraits : boost::regex_traits<wchar_t> {
    // Only UTF-16 units reach the pattern (see widened), so the cast is exact.
    static wchar_t fold(wchar_t c) { return static_cast<wchar_t>(fold_case(static_cast<char16_t>(c))); }
    wchar_t translate_nocase(wchar_t c) const { return fold(c); }
    wchar_t translate(wchar_t c, bool icase) const { return icase ? fold(c) : c; }
    wchar_t translate(wchar_t c) const { return c; }
};

using Regex = boost::basic_regex<wchar_t, FoldingTraits>;

// Code unit for code unit: on Windows wchar_t is the same UTF-16, elsewhere it
// is wider and each unit (a surrogate too) is widened alone, so both platforms
// match the same units.
std::wstring widened(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

std::u16string narrowed(const std::wstring& text) {
    std::u16string out;
    out.reserve(text.size());
    for (const wchar_t c : text) {
        out += static_cast<char16_t>(c);
    }
    return out;
}

// The replacement as the matcher's Perl format: ${name} becomes $+{name}, and a
// backslash stands for itself (the matcher would read \t as a tab; Tarvex has
// its own escapes for that).
std::wstring perl_format(std::u16string_view format) {
    std::wstring out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char16_t c = format[i];
        if (c == u'\\') {
            out += L"\\\\";
        } else if (c == u'$' && i + 1 < format.size() && format[i + 1] == u'$') {
            out += L"$$";
            ++i;
        } else if (c == u'$' && i + 2 < format.size() && format[i + 1] == u'{' &&
                   (format[i + 2] < u'0' || format[i + 2] > u'9')) {
            out += L"$+{";
            i += 1;
        } else {
            out += static_cast<wchar_t>(c);
        }
    }
    return out;
}

// "Unmatched marking parenthesis ( or \(" from the matcher's longer text.
std::u16string first_sentence(const char* what) {
    std::string text(what);
    const auto end = text.find(".  ");
    if (end != std::string::npos) {
        text.resize(end);
    }
    return utf8_to_utf16(text);
}

}  // namespace

struct Pattern::Compiled {
    Regex regex;
};

Pattern::Pattern(const std::u16string& pattern, bool match_case, bool whole_text) : whole_text_(whole_text) {
    // Perl's defaults: ^ and $ at the ends of the text only, and . not across a line break.
    auto flags = boost::regex::perl | boost::regex::no_mod_m | boost::regex::no_mod_s;
    if (!match_case) {
        flags |= boost::regex::icase;
    }
    try {
        compiled_ = std::make_shared<const Compiled>(Compiled{Regex(widened(pattern), flags)});
    } catch (const boost::regex_error& error) {
        const auto at = error.position() < 0 ? std::size_t{0} : static_cast<std::size_t>(error.position());
        throw PatternError{first_sentence(error.what()), std::min(at, pattern.size())};
    }
}

Pattern::Found Pattern::find_in(std::u16string_view text) const {
    try {
        // A pattern Find asks this of every filled cell: one buffer for all of
        // them rather than a string of its own each.
        thread_local std::wstring wide;
        wide.assign(text.begin(), text.end());
        const bool found =
            whole_text_ ? boost::regex_match(wide, compiled_->regex) : boost::regex_search(wide, compiled_->regex);
        return found ? Found::yes : Found::no;
    } catch (const std::runtime_error&) {
        return Found::gave_up;
    }
}

std::optional<std::u16string> Pattern::replace(const std::u16string& text, const std::u16string& format,
                                               bool whole_cell) const {
    try {
        const std::wstring wide = widened(text);
        const std::wstring fmt = perl_format(format);
        if (!whole_cell && !whole_text_) {
            return narrowed(boost::regex_replace(wide, compiled_->regex, fmt, boost::format_perl));
        }
        boost::match_results<std::wstring::const_iterator> match;
        const bool found = whole_text_ ? boost::regex_match(wide, match, compiled_->regex)
                                       : boost::regex_search(wide, match, compiled_->regex);
        if (!found) {
            return text;
        }
        return narrowed(match.format(fmt, boost::format_perl));
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

}  // namespace tarvex
