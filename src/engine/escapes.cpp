#include "engine/escapes.h"

namespace tarvex {

std::u16string replace_all(std::u16string_view text, std::u16string_view find, std::u16string_view replacement) {
    if (find.empty()) {
        return std::u16string(text);
    }
    std::u16string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = text.find(find); at != std::u16string_view::npos; at = text.find(find, from)) {
        out.append(text.substr(from, at - from));
        out.append(replacement);
        from = at + find.size();
    }
    out.append(text.substr(from));
    return out;
}

std::u16string PrepareSearchString(std::u16string_view text) {
    std::u16string expanded = replace_all(text, u"^CRLF", u"\r\n");
    expanded = replace_all(expanded, u"^CR", u"\n");
    return replace_all(expanded, u"^TB", u"\t");
}

}  // namespace tarvex
