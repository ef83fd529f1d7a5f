// Replace from a list of find/replace pairs: the list read and checked, its
// pairs made rules with the options in force, and every hit of every pair listed.
#include "engine/command_texts.h"
#include "engine/escapes.h"
#include "engine/pair_list.h"
#include "engine/search_session.h"

namespace tarvex {
namespace {

namespace texts = command_texts;

}  // namespace

void SearchSession::replace_from_list(PairSource source) {
    const std::optional<std::u16string> text = pair_list_text(source);
    if (!text) {
        return;
    }
    std::optional<std::vector<ReplaceRule>> rules = pair_rules(*text);
    if (!rules) {
        return;
    }
    pairs_ = std::move(*rules);
    find_rows();
}

std::optional<std::u16string> SearchSession::pair_list_text(PairSource source) {
    if (source == PairSource::clipboard) {
        std::optional<std::u16string> text = view_.clipboard_text();
        if (!text || text->empty()) {
            tell(texts::pairs_clipboard_empty);
            return std::nullopt;
        }
        return text;
    }
    const std::optional<std::u16string> path = view_.choose_pairs_file();
    if (!path) {
        return std::nullopt;  // cancelled
    }
    const std::optional<std::string> bytes = view_.read_file(*path);
    if (!bytes) {
        tell(texts::pairs_file_unreadable(*path));
        return std::nullopt;
    }
    return decode_text_file(*bytes);
}

std::optional<std::vector<ReplaceRule>> SearchSession::pair_rules(const std::u16string& text) {
    std::vector<TextPair> pairs;
    try {
        pairs = parse_pairs(text);
    } catch (const PairListError& error) {
        tell(texts::pair_list_refused(error.message));
        return std::nullopt;
    }
    if (pairs.empty()) {
        tell(texts::pair_list_refused(texts::pairs_none));
        return std::nullopt;
    }
    // The escapes and the options in force apply to each pair as to the boxes.
    std::vector<ReplaceRule> rules;
    for (const TextPair& pair : pairs) {
        ReplaceRule rule{PrepareSearchString(pair.find), PrepareSearchString(pair.replace), std::nullopt};
        if (options_.regular_expression) {
            try {
                rule.pattern.emplace(rule.search, options_.match_case, options_.look_at == LookAt::whole);
            } catch (const PatternError& error) {
                tell(texts::pair_list_refused(
                    texts::pair_pattern_invalid(pair.line, error.explanation, error.position)));
                return std::nullopt;
            }
        }
        rules.push_back(std::move(rule));
    }
    return rules;
}

}  // namespace tarvex
