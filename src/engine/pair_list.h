#pragma once
// A list of find/replace pairs as people keep them: a CSV or tab-separated file
// (or the same copied to the clipboard) with two columns, the text to find and
// its replacement, and perhaps a header line "Find","Replace".
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct TextPair {
    std::u16string find;
    std::u16string replace;
    std::size_t line;  // 1-based, where the pair starts
};

// Why the list cannot be used, naming the line.
struct PairListError {
    std::u16string message;
};

// The text of a file: UTF-8 with or without a byte-order mark, or UTF-16 (either
// byte order) with one.
std::u16string decode_text_file(std::string_view bytes);

// The pairs in order. Fields are separated by tabs when the first line holds
// one, else by commas; a field in double quotes may hold the separator, a line
// break and doubled quotes. Empty lines are passed over. Throws PairListError
// for a line with one column or more than two, an unterminated quote, or an
// empty text to find. The texts are as written: escapes are the caller's.
std::vector<TextPair> parse_pairs(std::u16string_view text);

}  // namespace tarvex
