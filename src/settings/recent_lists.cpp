#include "settings/recent_lists.h"

#include <utility>
#include <vector>

#include "base/text.h"
#include "settings/error_report.h"

namespace tarvex {
namespace {

std::u16string slot_name(const RecentList& list, int slot) {
    return std::u16string(list.prefix) + decimal(slot);
}

}  // namespace

void add_recent(SettingsContext& s, const RecentList& list, ComboBox& combo) {
    Steps steps = reporting_steps(s.messages, ReportShape::with_line, list.add_tag);
    std::u16string text;
    if (steps.run(1, [&] { text = combo.text(); }) == Steps::Outcome::abort) {
        return;
    }
    const auto is_empty = steps.test(2, [&] { return text.empty(); });
    if (!is_empty || *is_empty) {
        return;
    }
    SettingsKey key = SettingsKey::create(s, hkey_current_user, application_key);
    // The list as stored, down to where the shift ends: the slot holding the same
    // text, the first empty slot, or the last slot of a full list.
    std::vector<std::u16string> stored{std::u16string()};  // [0] unused: slots count from 1
    for (int slot = 1; slot <= recent_slots; ++slot) {
        std::u16string value;
        if (steps.run(3, [&] { value = key.get(slot_name(list, slot)); }) == Steps::Outcome::abort) {
            return;
        }
        stored.push_back(std::move(value));
        const auto found = steps.test(4, [&] { return stored.back() == text || stored.back().empty(); });
        if (!found) {
            return;
        }
        if (*found) {
            break;
        }
    }
    // Each slot takes the text above it and the first takes the new one. Only the
    // slots whose text changes are written, bottom up, so that a failure half way
    // leaves a text twice rather than losing one; searching the newest text again
    // writes nothing.
    const int last = static_cast<int>(stored.size()) - 1;
    for (int slot = last; slot >= 1; --slot) {
        const std::u16string& next = slot == 1 ? text : stored[slot - 1];
        if (next == stored[slot]) {
            continue;
        }
        if (steps.run(5, [&] { key.set(slot_name(list, slot), next); }) == Steps::Outcome::abort) {
            return;
        }
    }
}

void fill_recent(SettingsContext& s, const RecentList& list, ComboBox& combo) {
    Steps steps = reporting_steps(s.messages, ReportShape::with_line, list.fill_tag);
    if (steps.run(1, [&] { combo.clear(); }) == Steps::Outcome::abort) {
        return;
    }
    SettingsKey key = SettingsKey::open(s, hkey_current_user, application_key);
    for (int slot = 1; slot <= recent_slots; ++slot) {
        std::u16string stored;
        if (steps.run(2, [&] { stored = key.get(slot_name(list, slot)); }) == Steps::Outcome::abort ||
            steps.run(3, [&] { combo.add_item(stored); }) == Steps::Outcome::abort) {
            return;
        }
        const auto end = steps.test(4, [&] { return stored.empty(); });
        if (!end || *end) {
            return;
        }
    }
}

}  // namespace tarvex
