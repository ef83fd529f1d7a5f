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

}  // namespace tarvex::command_texts
