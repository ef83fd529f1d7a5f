#include "settings/recent_lists.h"

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
    const std::u16string path = application_key;
    std::u16string text;
    if (steps.run(1, [&] { text = combo.text(); }) == Steps::Outcome::abort) {
        return;
    }
    const auto is_empty = steps.test(2, [&] { return text.empty(); });
    if (!is_empty || *is_empty) {
        return;
    }
    // Where the shift ends: the slot holding the same text, the first empty slot,
    // or the last slot of a full list.
    int last = recent_slots;
    for (int slot = 1; slot <= recent_slots; ++slot) {
        std::u16string stored;
        if (steps.run(3, [&] { stored = GetKeyValue(s, hkey_current_user, path, slot_name(list, slot)); }) ==
            Steps::Outcome::abort) {
            return;
        }
        const auto found = steps.test(4, [&] { return stored == text || stored.empty(); });
        if (!found) {
            return;
        }
        if (*found) {
            last = slot;
            break;
        }
    }
    for (int slot = last; slot >= 2; --slot) {
        std::u16string above;
        if (steps.run(5, [&] { above = GetKeyValue(s, hkey_current_user, path, slot_name(list, slot - 1)); }) ==
                Steps::Outcome::abort ||
            steps.run(6, [&] { UpdateKey(s, hkey_current_user, path, slot_name(list, slot), above); }) ==
                Steps::Outcome::abort) {
            return;
        }
    }
    steps.run(7, [&] { UpdateKey(s, hkey_current_user, path, slot_name(list, 1), text); });
}

void fill_recent(SettingsContext& s, const RecentList& list, ComboBox& combo) {
    Steps steps = reporting_steps(s.messages, ReportShape::with_line, list.fill_tag);
    const std::u16string path = application_key;
    if (steps.run(1, [&] { combo.clear(); }) == Steps::Outcome::abort) {
        return;
    }
    for (int slot = 1; slot <= recent_slots; ++slot) {
        std::u16string stored;
        if (steps.run(2, [&] { stored = GetKeyValue(s, hkey_current_user, path, slot_name(list, slot)); }) ==
                Steps::Outcome::abort ||
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
