#include "engine/command_texts.h"

#include <cstdint>

#include "base/text.h"

namespace tarvex::command_texts {
namespace {

std::u16string number(std::size_t count) {
    return decimal(static_cast<std::int64_t>(count));
}

// "Plants!$A$1, 'Sales Q1'!$B$4 and 3 more": the first few.
std::u16string some_of(const std::vector<std::u16string>& labels) {
    constexpr std::size_t shown = 5;
    std::u16string text;
    for (std::size_t i = 0; i < labels.size() && i < shown; ++i) {
        text += (i == 0 ? u"" : u", ") + labels[i];
    }
    if (labels.size() > shown) {
        text += u" and " + number(labels.size() - shown) + u" more";
    }
    return text;
}

}  // namespace

std::u16string grouped(std::size_t count) {
    const std::u16string digits = number(count);
    std::u16string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            out += u',';
        }
        out += digits[i];
    }
    return out;
}

std::u16string cells(std::size_t count) {
    return number(count) + (count == 1 ? u" cell" : u" cells");
}

std::u16string searching_sheet(const std::u16string& sheet, std::size_t matches) {
    return std::u16string(searching) + u" " + sheet + u": " + grouped(matches) + u" matches";
}

std::u16string replacing_count(std::size_t done, std::size_t to_do) {
    return std::u16string(replacing) + u" " + grouped(done) + u" of " + grouped(to_do);
}

std::u16string find_done(std::size_t matches, std::size_t not_read) {
    std::u16string text = u"Done(" + number(matches) + u" matches";
    if (not_read > 0) {
        text += u", " + number(not_read) + u" not read";
    }
    return text + u")  ...";
}

std::u16string pairs_found(std::size_t matches, std::size_t not_read, std::size_t pairs) {
    std::u16string text =
        u"Done(" + number(matches) + u" matches, " + number(pairs) + (pairs == 1 ? u" pair" : u" pairs");
    if (not_read > 0) {
        text += u", " + number(not_read) + u" not read";
    }
    return text + u")  ...";
}

std::u16string pairs_done(std::size_t written, std::size_t not_written, std::size_t pairs) {
    std::u16string text = u"Done (" + cells(written) + u", " + number(pairs) + (pairs == 1 ? u" pair" : u" pairs");
    if (not_written > 0) {
        text += u", " + number(not_written) + u" not written";
    }
    return text + u")  ...";
}

std::u16string find_stopped(std::size_t matches) {
    return u"Stopped (" + number(matches) + u" matches)  ...";
}

std::u16string replace_status(std::size_t not_written) {
    if (not_written == 0) {
        return replace_done;
    }
    return u"Done (" + cells(not_written) + u" not written) ...";
}

std::u16string replace_stopped(std::size_t replaced, std::size_t to_do) {
    return u"Stopped (" + grouped(replaced) + u" of " + grouped(to_do) + u" cells replaced)  ...";
}

std::u16string undone(std::size_t restored) {
    return u"Undone (" + cells(restored) + u")  ...";
}

std::u16string undo_left_alone(const std::vector<std::u16string>& changed_since,
                               const std::vector<std::u16string>& not_restored) {
    std::u16string text;
    if (!changed_since.empty()) {
        const bool one = changed_since.size() == 1;
        text += cells(changed_since.size()) + u" changed after the replace " + (one ? u"was" : u"were") + u" left as " +
                (one ? u"it is" : u"they are") + u": " + some_of(changed_since) + u".";
    }
    if (!not_restored.empty()) {
        text += (text.empty() ? u"" : u"\r\n") + cells(not_restored.size()) + u" could not be written back: " +
                some_of(not_restored) + u".";
    }
    return text;
}

std::u16string export_failed(const std::u16string& path) {
    return u"The list could not be saved to " + path + u".";
}

std::u16string preview(const std::u16string& now, const std::optional<std::u16string>& after) {
    std::u16string text = u"Now: " + now + u"\r\nAfter Replace: ";
    if (!after) {
        return text + u"(the pattern cannot be applied to this cell)";
    }
    return text + (*after == now ? u"(no change)" : *after);
}

std::u16string pair_named(std::size_t pair, const std::u16string& search, const std::u16string& replacement) {
    return u"Pair " + number(pair + 1) + u": " + search + u" \u2192 " + replacement + u"\r\n";
}

std::u16string pair_list_refused(const std::u16string& why) {
    return u"The list of pairs cannot be used: " + why + u"\r\nNothing was searched or replaced.";
}

std::u16string pairs_file_unreadable(const std::u16string& path) {
    return u"The list of pairs could not be read from " + path + u".";
}

std::u16string pair_pattern_invalid(std::size_t line, const std::u16string& explanation, std::size_t position) {
    return u"line " + number(line) + u" is not a valid regular expression: " + explanation + u" (at character " +
           number(position + 1) + u").";
}

std::u16string pattern_invalid(const std::u16string& explanation, std::size_t position) {
    return u"The search text is not a valid regular expression:\r\n" + explanation + u" (at character " +
           number(position + 1) + u").\r\nNothing was searched.";
}

}  // namespace tarvex::command_texts
