#include "engine/sorting.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "settings/column_layout.h"
#include "support/fake_columns.h"
#include "support/fake_controls.h"

using namespace tarvex;
using tarvex::testing::FakeColumns;
using tarvex::testing::FakeMainWindow;
using tarvex::testing::FakeMessageBoxes;
using tarvex::testing::FakeRegistry;

namespace {

class Sorting : public ::testing::Test {
protected:
    Sorting() {
        window.rows().append(
            {{u"b", u"$A$10", u"pear", false}, {u"a", u"$A$9", u"Apple", false}, {u"c", u"$B$1", u"apple", false}});
    }

    void click(int header) { window.session.lvwMain_ColumnClick(columns, header); }

    std::vector<std::string> column(int c) {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < window.rows().size(); ++i) {
            out.push_back(utf16_to_utf8(window.rows().row(i).column_text(c)));
        }
        return out;
    }

    FakeMainWindow window;
    FakeRegistry& registry = window.registry;
    FakeMessageBoxes& messages = window.messages;
    FakeColumns columns{{{u"Sheet", u"Work Sheet", 1440}, {u"Cell", u"Cell", 1440}, {u"Content", u"Content", 1440}}};
};

using Texts = std::vector<std::string>;

}  // namespace

TEST_F(Sorting, ClicksAlternateTheOrderOfOneColumn) {
    click(2);
    EXPECT_EQ(column(1), (Texts{"$A$10", "$A$9", "$B$1"}));
    EXPECT_EQ(columns.arrow_column, 1);
    EXPECT_TRUE(columns.arrow_ascending);
    click(2);
    EXPECT_EQ(column(1), (Texts{"$B$1", "$A$9", "$A$10"}));
    EXPECT_FALSE(columns.arrow_ascending);
    click(2);
    EXPECT_EQ(column(1), (Texts{"$A$10", "$A$9", "$B$1"}));
}

TEST_F(Sorting, FirstClickOnTheFirstColumnSortsItDescending) {
    // The first column, ascending, are the settings before any click.
    click(1);
    EXPECT_EQ(column(0), (Texts{"c", "b", "a"}));
}

TEST_F(Sorting, AnotherColumnStartsAscendingAndEqualTextsKeepTheirOrder) {
    click(3);
    click(3);  // descending by content
    click(2);
    EXPECT_EQ(column(1), (Texts{"$A$10", "$A$9", "$B$1"}));
    click(3);
    // "Apple" and "apple" compare equal and keep the order they had.
    EXPECT_EQ(column(2), (Texts{"Apple", "apple", "pear"}));
}

TEST_F(Sorting, AMovedColumnSortsByItsOwnTexts) {
    columns.set_position(2, 1);  // Content now stands first on screen
    click(3);
    EXPECT_EQ(column(2), (Texts{"Apple", "apple", "pear"}));
    EXPECT_EQ(columns.arrow_column, 2);
}

TEST_F(Sorting, EveryClickStoresTheColumnLayout) {
    click(2);
    const auto cell = column_layout_key(columns, 1);
    EXPECT_EQ(registry.get_text(hkey_current_user, cell, u"Text"), u"Cell");
    registry.calls.clear();
    click(2);
    EXPECT_EQ(registry.calls["set"], 9);  // three values of three columns
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Sorting, RowsFoundLaterTakeTheirSortedPlaces) {
    click(3);
    window.rows().clear();
    window.rows().append({{u"s", u"$A$1", u"zebra", false}, {u"s", u"$A$2", u"ant", false}});
    EXPECT_EQ(column(2), (Texts{"ant", "zebra"}));
}
