// The host's search patterns: * any run (also none), ? exactly one UTF-16 code
// unit, ~ takes the next code unit literally (a ~ at the very end is a literal ~).
#include "base/text.h"
#include "model/model_detail.h"

namespace standin {

namespace detail {

Pattern::Pattern(std::u16string_view pattern, LookAt look_at, bool match_case)
    : match_case_(match_case), empty_(pattern.empty()) {
    // A part match is a whole match of "*pattern*".
    if (look_at == LookAt::part) {
        tokens_.push_back({Kind::run, 0});
    }
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char16_t c = pattern[i];
        if (c == u'~' && i + 1 < pattern.size()) {
            ++i;
            tokens_.push_back({Kind::literal, match_case ? pattern[i] : tarvex::fold_case(pattern[i])});
        } else if (c == u'*') {
            if (tokens_.empty() || tokens_.back().kind != Kind::run) {
                tokens_.push_back({Kind::run, 0});  // "**" means no more than "*"
            }
        } else if (c == u'?') {
            tokens_.push_back({Kind::one, 0});
        } else {
            tokens_.push_back({Kind::literal, match_case ? c : tarvex::fold_case(c)});
        }
    }
    if (look_at == LookAt::part && tokens_.back().kind != Kind::run) {
        tokens_.push_back({Kind::run, 0});
    }
}

bool Pattern::matches(std::u16string_view text) const {
    if (empty_) {
        return false;  // an empty search text finds nothing
    }
    // Classic single-backtrack matching: when a literal fails, the latest run
    // absorbs one more code unit. Enough for * and ?, and linear in practice.
    std::size_t t = 0;
    std::size_t p = 0;
    std::size_t run = tokens_.size();  // none yet
    std::size_t run_text = 0;
    while (t < text.size()) {
        if (p < tokens_.size()) {
            const Token& token = tokens_[p];
            if (token.kind == Kind::run) {
                run = p++;
                run_text = t;
                continue;
            }
            if (token.kind == Kind::one || token.unit == (match_case_ ? text[t] : tarvex::fold_case(text[t]))) {
                ++p;
                ++t;
                continue;
            }
        }
        if (run == tokens_.size()) {
            return false;
        }
        p = run + 1;
        t = ++run_text;
    }
    while (p < tokens_.size() && tokens_[p].kind == Kind::run) {
        ++p;
    }
    return p == tokens_.size();
}

}  // namespace detail

bool matches(std::u16string_view pattern, std::u16string_view text, LookAt look_at, bool match_case) {
    return detail::Pattern(pattern, look_at, match_case).matches(text);
}

}  // namespace standin
