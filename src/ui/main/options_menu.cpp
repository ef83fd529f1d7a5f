#include "ui/main/options_menu.h"

namespace tarvex::options_menu {

bool checked(Item item, const SearchOptions& options) {
    switch (item) {
        case Item::match_case:
            return options.match_case;
        case Item::whole_cell:
            return options.look_at == LookAt::whole;
        case Item::look_in_host:
            return !options.look_in;
        case Item::look_in_formulas:
            return options.look_in == LookIn::formulas;
        case Item::look_in_values:
            return options.look_in == LookIn::values;
        case Item::regular_expression:
            return options.regular_expression;
        case Item::search_active:
            return !options.all_workbooks;
        case Item::search_all:
            return options.all_workbooks;
        case Item::reset:
        case Item::replace_from_list:
        case Item::replace_from_clipboard:
            return false;
    }
    return false;
}

SearchOptions choose(Item item, SearchOptions options) {
    switch (item) {
        case Item::match_case:
            options.match_case = !options.match_case;
            break;
        case Item::whole_cell:
            options.look_at = options.look_at == LookAt::whole ? LookAt::part : LookAt::whole;
            break;
        case Item::look_in_host:
            options.look_in.reset();
            break;
        case Item::look_in_formulas:
            options.look_in = LookIn::formulas;
            break;
        case Item::look_in_values:
            options.look_in = LookIn::values;
            break;
        case Item::regular_expression:
            options.regular_expression = !options.regular_expression;
            break;
        case Item::search_active:
        case Item::search_all:
            options.all_workbooks = item == Item::search_all;
            break;
        case Item::reset:
            options = SearchOptions{};
            break;
        case Item::replace_from_list:
        case Item::replace_from_clipboard:
            break;
    }
    return options;
}

}  // namespace tarvex::options_menu
