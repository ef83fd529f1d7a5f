// The search options from end to end in the core: what the host's Find is
// given, what the Options menu makes of a choice, how the options are kept per
// user, and pattern searches over the stand-in host (bulk reads, groups, a
// matcher that gives up, the preview of a replacement).
#include <gtest/gtest.h>

#include "base/text.h"
#include "engine/cell_address.h"
#include "engine/command_texts.h"
#include "engine/search_session.h"
#include "support/fake_controls.h"
#include "support/standin_host.h"
#include "ui/main/options_menu.h"

using tarvex::LookAt;
using tarvex::LookIn;
using tarvex::SearchOptions;
using tarvex::u16;
using tarvex::testing::FakeMainWindow;
namespace menu = tarvex::options_menu;

namespace {

TEST(SearchOptions, DefaultsLeaveTheHostItsSettingAndEveryChoiceIsNamedAndKept) {
    struct Case {
        SearchOptions options;
        const char* described;
    };
    const Case cases[] = {
        {{}, ""},
        {{true, std::nullopt, std::nullopt, false}, "match case"},
        {{false, LookAt::whole, LookIn::values, false}, "entire cell, in values"},
        {{false, LookAt::part, LookIn::formulas, true}, "part of cell, in formulas, regular expression"},
    };
    for (const Case& c : cases) {
        const tarvex::FindOptions find = c.options.find_options();
        EXPECT_EQ(find.match_case, c.options.match_case);
        EXPECT_EQ(find.look_at, c.options.look_at);
        EXPECT_EQ(find.look_in, c.options.look_in);
        EXPECT_EQ(tarvex::describe(c.options), u16(c.described));

        FakeMainWindow window;
        tarvex::save_search_options(window.settings, c.options);
        EXPECT_EQ(tarvex::load_search_options(window.settings), c.options) << c.described;
    }
    // What Tarvex cannot read means the default, option by option.
    FakeMainWindow window;
    const std::u16string key = tarvex::application_key;
    window.registry.put_text(tarvex::hkey_current_user, key, u"OptionMatchCase", u"yes please");
    window.registry.put_text(tarvex::hkey_current_user, key, u"OptionLookAt", u"Whole");
    window.registry.put_text(tarvex::hkey_current_user, key, u"OptionLookIn", u"");
    window.registry.put(tarvex::hkey_current_user, key, u"OptionRegularExpression",
                        tarvex::RegistryValue{tarvex::reg_type::binary, {0x31, 0x00}});
    EXPECT_EQ(tarvex::load_search_options(window.settings), (SearchOptions{false, LookAt::whole}));
}

TEST(SearchOptions, TheMenuTicksWhatIsInForceAndAChoiceChangesOneThing) {
    SearchOptions options;
    EXPECT_TRUE(menu::checked(menu::Item::look_in_host, options));
    EXPECT_FALSE(menu::checked(menu::Item::whole_cell, options));
    options = menu::choose(menu::Item::whole_cell, options);
    EXPECT_EQ(options.look_at, LookAt::whole);
    // Unticked by the user, it is a choice of its own: part of a cell.
    options = menu::choose(menu::Item::whole_cell, options);
    EXPECT_EQ(options.look_at, LookAt::part);
    options = menu::choose(menu::Item::look_in_values, options);
    options = menu::choose(menu::Item::regular_expression, options);
    options = menu::choose(menu::Item::match_case, options);
    EXPECT_TRUE(menu::checked(menu::Item::look_in_values, options));
    EXPECT_FALSE(menu::checked(menu::Item::look_in_host, options));
    EXPECT_EQ(options, (SearchOptions{true, LookAt::part, LookIn::values, true}));
    EXPECT_TRUE(menu::choose(menu::Item::reset, options).is_default());
}

TEST(CellAddress, ReadsWhatTheHostsAddressGivesAndWritesA1) {
    using tarvex::CellRect;
    EXPECT_EQ(tarvex::parse_range_address(u"$B$2:$D$10"), (CellRect{2, 2, 10, 4}));
    EXPECT_EQ(tarvex::parse_range_address(u"$C$7"), (CellRect{7, 3, 7, 3}));
    EXPECT_EQ(tarvex::parse_range_address(u"xfd1048576"), (CellRect{1048576, 16384, 1048576, 16384}));
    for (const char16_t* bad : {u"", u"$A", u"A0", u"XFE1", u"A1:", u"A1:B2:C3", u"A1048577", u"R1C1"}) {
        EXPECT_EQ(tarvex::parse_range_address(bad), std::nullopt) << tarvex::utf16_to_utf8(bad);
    }
    EXPECT_EQ(tarvex::absolute_address(65536, 256), u"$IV$65536");
    EXPECT_EQ(tarvex::cell_address(3, 28), u"AB3");
}

class PatternSearch : public ::testing::Test {
protected:
    void open(const char* text) {
        tarvex::testing::add_book(*app, text);
        window.session.attach(tarvex::testing::make_standin_host(app));
    }
    void options(SearchOptions chosen) { window.session.set_options(chosen); }
    void find(const char* text) {
        window.search.set_text(u16(text));
        window.session.cmdFind_Click();
    }
    std::vector<std::string> rows() {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < window.rows().size(); ++i) {
            const auto& r = window.rows().row(i);
            out.push_back(tarvex::utf16_to_utf8(r.sheet + u"!" + r.address + u"=" + r.content));
        }
        return out;
    }
    std::string formula(const char* a1) const {
        const standin::Cell* c = app->active_workbook()->sheets().front()->cell(*standin::parse_cell(u16(a1)));
        return c ? tarvex::utf16_to_utf8(c->formula_text()) : "";
    }

    std::shared_ptr<standin::Application> app = std::make_shared<standin::Application>();
    FakeMainWindow window;
};

using Rows = std::vector<std::string>;

TEST_F(PatternSearch, PlainFindPassesTheChosenOptionsAndOtherwiseFollowsTheHost) {
    open("sheet S\nA1|Pear\nA2|pear tree\nA3|=\"pe\"&\"ar\"|value=pear\n");
    // The host's own dialog was last left at whole cells: the defaults follow it.
    app->find(*app->active_workbook()->sheets().front(), u"x", standin::Rect{{1, 1}, {1, 1}}, std::nullopt,
              std::nullopt, standin::LookAt::whole, std::nullopt, standin::Direction::next, false);
    find("pear");
    EXPECT_EQ(rows(), (Rows{"S!$A$1=Pear"}));
    options({true, LookAt::part, LookIn::values, false});
    find("pear");
    EXPECT_EQ(rows(), (Rows{"S!$A$2=pear tree", "S!$A$3=pear"}));
    EXPECT_EQ(window.status_text(), u"Done(2 matches)  ...  match case, part of cell, in values");
    // A choice the host was given stays the host's setting, as its dialog keeps it.
    EXPECT_EQ(app->held_look_in(), standin::LookIn::values);
}

TEST_F(PatternSearch, APatternIsMatchedHereOverTheUsedRangeRowByRow) {
    // The used range starts at C3, not A1, and a lone cell is its own range.
    open(
        "sheet Codes\nD3|P-0112 x\nC4|p-9\nE5|=\"P-\"&\"0410\"|value=P-0410\n"
        "sheet Lone\nB2|P-7777\n");
    options({false, std::nullopt, std::nullopt, true});
    find("P-\\d{4}");
    EXPECT_EQ(rows(), (Rows{"Codes!$D$3=P-0112 x", "Lone!$B$2=P-7777"}));
    EXPECT_EQ(window.status_text(), u"Done(2 matches)  ...  regular expression");
    options({false, std::nullopt, LookIn::values, true});
    find("^P-\\d{4}$");
    EXPECT_EQ(rows(), (Rows{"Codes!$E$5=P-0410", "Lone!$B$2=P-7777"}));
    options({true, LookAt::whole, std::nullopt, true});
    find("p-\\d");
    EXPECT_EQ(rows(), (Rows{"Codes!$C$4=p-9"}));
}

TEST_F(PatternSearch, ABigUsedRangeIsReadInBoundedBlocksAtTwoCallsPerListedCell) {
    std::string book = "sheet Big\n";
    for (int row = 1; row <= 40000; row += 1000) {
        book += "B" + std::to_string(row) + "|item " + std::to_string(row) + "\n";
    }
    book += "A40000|last\n";
    open(book.c_str());
    options({false, std::nullopt, std::nullopt, true});
    app->clear_log();
    find("item \\d*1$");
    ASSERT_EQ(window.rows().size(), 40u);
    std::size_t formula_reads = 0;
    for (const auto& call : app->call_log()) {
        formula_reads += call.operation == "Range.Formula";
    }
    // 80,000 cells in blocks of at most 65,536: two reads, each of a whole block.
    EXPECT_EQ(formula_reads, 2u);
    EXPECT_LE(app->call_log().size(), 2 * 40u + 2 * formula_reads + 6);
}

TEST_F(PatternSearch, ABadPatternChangesNothingAndARunawayOneCountsAsNotRead) {
    open("sheet S\nA1|aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\nA2|ab\n");
    find("ab");
    window.status.set_text(u"Status", u"kept");
    options({false, std::nullopt, std::nullopt, true});
    find("a(b");
    ASSERT_EQ(window.messages.shown.size(), 1u);
    EXPECT_EQ(window.messages.shown[0].title, u"Tarvex");
    EXPECT_NE(tarvex::utf16_to_utf8(window.messages.shown[0].text).find("at character 4"), std::string::npos);
    EXPECT_EQ(rows(), (Rows{"S!$A$2=ab"}));
    EXPECT_EQ(window.status_text(), u"kept");
    // The matcher gives up on the first cell: the search goes on and says so.
    find("(a+)+b");
    EXPECT_EQ(rows(), (Rows{"S!$A$2=ab"}));
    EXPECT_EQ(window.status_text(), u"Done(1 matches, 1 not read)  ...  regular expression");
}

TEST_F(PatternSearch, ReplaceWithGroupsPreviewsThenWritesAndUndoes) {
    open("sheet S\nA1|Havana Club\nA2|ann@home\nA3|=\"x\"\n");
    options({false, std::nullopt, std::nullopt, true});
    find("(\\w+)@(\\w+)|ana");
    ASSERT_EQ(window.rows().size(), 2u);
    window.replace.set_text(u"[$2 at $1$&]");
    EXPECT_EQ(window.session.preview(0), u"Now: Havana Club\r\nAfter Replace: Hav[ at ana] Club");
    EXPECT_EQ(window.session.preview(1), u"Now: ann@home\r\nAfter Replace: [home at annann@home]");
    window.session.cmdReplaceAll_Click();
    EXPECT_EQ(formula("A1"), "Hav[ at ana] Club");
    EXPECT_EQ(formula("A2"), "[home at annann@home]");
    EXPECT_EQ(window.status_text(), u"Done ...  regular expression");
    window.session.undo_replace();
    EXPECT_EQ(formula("A1"), "Havana Club");
    EXPECT_EQ(formula("A2"), "ann@home");

    // Entire Cell Content: the whole cell becomes the first match's expansion.
    find("(\\w+)@(\\w+)");
    window.replace.set_text(u"$2");
    window.entire_cell.checked = 1;
    window.session.cmdReplaceAll_Click();
    EXPECT_EQ(formula("A2"), "home");
    // A row whose cell is gone since says so in its tip.
    find("home");
    ASSERT_EQ(window.rows().size(), 1u);
    app->active_workbook()->delete_sheet(u"S");
    EXPECT_EQ(window.session.preview(0), tarvex::command_texts::preview_unreadable);
}

}  // namespace
