#include "engine/search_options.h"

namespace tarvex {
namespace {

// The values beside the recent lists in the application key; all are texts.
constexpr char16_t match_case_value[] = u"OptionMatchCase";
constexpr char16_t look_at_value[] = u"OptionLookAt";
constexpr char16_t look_in_value[] = u"OptionLookIn";
constexpr char16_t pattern_value[] = u"OptionRegularExpression";
constexpr char16_t search_in_value[] = u"OptionSearchIn";

constexpr char16_t yes[] = u"1";
constexpr char16_t no[] = u"0";
constexpr char16_t whole[] = u"Whole";
constexpr char16_t part[] = u"Part";
constexpr char16_t formulas[] = u"Formulas";
constexpr char16_t values[] = u"Values";
constexpr char16_t all_workbooks[] = u"AllWorkbooks";
constexpr char16_t active_workbook[] = u"ActiveWorkbook";
// An option left to the host is stored as this: an empty text is written as a
// blank by UpdateKey, and a missing value reads the same.
constexpr char16_t host_setting[] = u"Host";

}  // namespace

std::u16string describe(const SearchOptions& options) {
    std::u16string text;
    const auto add = [&](const char16_t* label) { text += (text.empty() ? u"" : u", ") + std::u16string(label); };
    if (options.match_case) {
        add(u"match case");
    }
    if (options.look_at) {
        add(*options.look_at == LookAt::whole ? u"entire cell" : u"part of cell");
    }
    if (options.look_in) {
        add(*options.look_in == LookIn::formulas ? u"in formulas" : u"in values");
    }
    if (options.regular_expression) {
        add(u"regular expression");
    }
    if (options.all_workbooks) {
        add(u"all open workbooks");
    }
    return text;
}

SearchOptions load_search_options(SettingsContext& settings) {
    SettingsKey key = SettingsKey::open(settings, hkey_current_user, application_key);
    SearchOptions options;
    options.match_case = key.get(match_case_value) == yes;
    const std::u16string look_at = key.get(look_at_value);
    if (look_at == whole || look_at == part) {
        options.look_at = look_at == whole ? LookAt::whole : LookAt::part;
    }
    const std::u16string look_in = key.get(look_in_value);
    if (look_in == formulas || look_in == values) {
        options.look_in = look_in == formulas ? LookIn::formulas : LookIn::values;
    }
    options.regular_expression = key.get(pattern_value) == yes;
    options.all_workbooks = key.get(search_in_value) == all_workbooks;
    return options;
}

void save_search_options(SettingsContext& settings, const SearchOptions& options) {
    SettingsKey key = SettingsKey::create(settings, hkey_current_user, application_key);
    key.set(match_case_value, options.match_case ? yes : no);
    key.set(look_at_value, !options.look_at ? host_setting : *options.look_at == LookAt::whole ? whole : part);
    key.set(look_in_value, !options.look_in ? host_setting : *options.look_in == LookIn::formulas ? formulas : values);
    key.set(pattern_value, options.regular_expression ? yes : no);
    key.set(search_in_value, options.all_workbooks ? all_workbooks : active_workbook);
}

}  // namespace tarvex
