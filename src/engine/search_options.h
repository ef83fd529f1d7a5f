#pragma once
// The search options a user chooses in the Options menu, kept per user beside
// the recent lists. With the defaults Tarvex searches exactly as it always has:
// the host's own Find, any case, and whole cell or part and formulas or values
// as the host's own Find dialog last left them.
#include <optional>
#include <string>

#include "ports/host.h"
#include "settings/registry_routines.h"

namespace tarvex {

struct SearchOptions {
    bool match_case = false;
    // Whole cell or part of it; unset: the host's current setting.
    std::optional<LookAt> look_at{};
    // Formulas or values; unset: the host's current setting.
    std::optional<LookIn> look_in{};
    bool regular_expression = false;
    // Every open workbook the user can see, not only the active one.
    bool all_workbooks = false;

    bool is_default() const { return *this == SearchOptions{}; }
    // What the host's Find is given.
    FindOptions find_options() const { return FindOptions{match_case, look_at, look_in}; }
    friend bool operator==(const SearchOptions&, const SearchOptions&) = default;
};

// "match case, regular expression": the options that differ from the defaults,
// as the status text ends with them; empty with the defaults.
std::u16string describe(const SearchOptions& options);

// Read when the window is prepared; a stored value Tarvex cannot read (missing,
// of another type, another text) means that option's default.
SearchOptions load_search_options(SettingsContext& settings);
// Written when the user changes them.
void save_search_options(SettingsContext& settings, const SearchOptions& options);

}  // namespace tarvex
