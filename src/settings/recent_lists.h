#pragma once
// The recent search and replacement lists: 25 numbered text values in the
// application key, newest first, offered in the combo boxes.
#include <string_view>

#include "settings/registry_routines.h"

namespace tarvex {

struct RecentList {
    std::u16string_view prefix;   // "SearchMRU_": slots are prefix + 1 .. prefix + 25
    std::u16string_view add_tag;  // the routine tags of the error reports
    std::u16string_view fill_tag;
};

inline constexpr int recent_slots = 25;
inline constexpr RecentList recent_searches{u"SearchMRU_", u": AddSearchMRU", u": GetSearchMRU"};
inline constexpr RecentList recent_replacements{u"ReplaceMRU_", u": AddReplaceMRU", u": GetReplaceMRU"};

// Puts the combo box's text at the top of the list; a text already listed moves
// up, a full list loses its oldest. The combo box is not changed.
void add_recent(SettingsContext& settings, const RecentList& list, ComboBox& combo);
// Clears the combo box and fills its list: the stored texts newest first, and one
// empty item after them unless all 25 slots are filled.
void fill_recent(SettingsContext& settings, const RecentList& list, ComboBox& combo);

inline void AddSearchMRU(SettingsContext& s, ComboBox& cmbSearchFor) {
    add_recent(s, recent_searches, cmbSearchFor);
}
inline void GetSearchMRU(SettingsContext& s, ComboBox& cmbSearchFor) {
    fill_recent(s, recent_searches, cmbSearchFor);
}
inline void AddReplaceMRU(SettingsContext& s, ComboBox& cmbReplace) {
    add_recent(s, recent_replacements, cmbReplace);
}
inline void GetReplaceMRU(SettingsContext& s, ComboBox& cmbReplace) {
    fill_recent(s, recent_replacements, cmbReplace);
}

}  // namespace tarvex
