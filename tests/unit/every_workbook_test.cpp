// Beyond one workbook and one search text: Find over every open workbook, a list
// of find/replace pairs applied in one run, and the replace commands' bulk way of
// writing (about two host calls per written cell), against the stand-in host.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <tuple>

#include "base/text.h"
#include "engine/bulk_replace.h"
#include "engine/command_texts.h"
#include "engine/list_text.h"
#include "engine/pair_list.h"
#include "engine/search_session.h"
#include "support/fake_controls.h"
#include "support/standin_host.h"

using tarvex::u16;
using tarvex::testing::FakeMainWindow;

namespace {

using Rows = std::vector<std::string>;

class EveryWorkbook : public ::testing::Test {
protected:
    std::shared_ptr<standin::Workbook> open(const char* text, const char16_t* name) {
        auto book = tarvex::testing::add_book(*app, text, name);
        window.session.attach(tarvex::testing::make_standin_host(app));
        return book;
    }
    void all_workbooks(bool all) {
        tarvex::SearchOptions options;
        options.all_workbooks = all;
        window.session.set_options(options);
    }
    void find(const char* text) {
        window.search.set_text(u16(text));
        window.session.cmdFind_Click();
    }
    Rows rows() {
        Rows out;
        for (std::size_t i = 0; i < window.rows().size(); ++i) {
            const auto& r = window.rows().row(i);
            out.push_back(tarvex::utf16_to_utf8(r.column_text(0) + u"!" + r.address + u"=" + r.content));
        }
        return out;
    }
    static std::string formula(const standin::Workbook& book, const char16_t* sheet, const char* a1) {
        const standin::Cell* c = book.sheet(sheet)->cell(*standin::parse_cell(u16(a1)));
        return c ? tarvex::utf16_to_utf8(c->formula_text()) : "";
    }
    std::size_t calls(const char* operation) const {
        std::size_t n = 0;
        for (const auto& call : app->call_log()) {
            n += call.operation == operation;
        }
        return n;
    }

    std::shared_ptr<standin::Application> app = std::make_shared<standin::Application>();
    FakeMainWindow window;
};

TEST_F(EveryWorkbook, FindListsEveryVisibleWorkbookAndEachRowWritesIntoItsOwn) {
    const auto personal = open("hidden\nsheet Macros\nA1|apple\n", u"Personal.wb");
    const auto stock = open("sheet Stock\nA1|apple\n", u"Stock.wb");
    const auto sales = open("sheet Sales Q1\nB4|apple pie\n", u"Sales.wb");
    // The active workbook alone, as always, reads as it always has.
    find("apple");
    EXPECT_EQ(rows(), (Rows{"Sales Q1!$B$4=apple pie"}));

    all_workbooks(true);
    find("apple");
    EXPECT_EQ(rows(), (Rows{"[Stock.wb]Stock!$A$1=apple", "[Sales.wb]Sales Q1!$B$4=apple pie"}));
    EXPECT_EQ(window.status_text(), u"Done(2 matches)  ...  all open workbooks");
    EXPECT_EQ(tarvex::list_text::references({window.rows().row(0), window.rows().row(1)}),
              u"'[Stock.wb]Stock'!$A$1\r\n'[Sales.wb]Sales Q1'!$B$4\r\n");

    // Go to shows the row's own workbook first.
    window.selected = 0;
    window.session.lvwMain_DblClick();
    EXPECT_EQ(app->active_workbook(), stock);
    EXPECT_EQ(stock->active_sheet()->selection(), (standin::CellPos{1, 1}));

    window.replace.set_text(u"pear");
    window.session.cmdReplaceAll_Click();
    EXPECT_EQ(formula(*stock, u"Stock", "A1"), "pear");
    EXPECT_EQ(formula(*sales, u"Sales Q1", "B4"), "pear pie");
    EXPECT_EQ(formula(*personal, u"Macros", "A1"), "apple") << "a hidden workbook is not the user's";
    window.session.undo_replace();
    EXPECT_EQ(formula(*stock, u"Stock", "A1"), "apple");
    EXPECT_EQ(formula(*sales, u"Sales Q1", "B4"), "apple pie");

    // A workbook closed since the Find: its rows are not written, the others
    // are, and the status says so without a message per row.
    find("apple");
    window.entire_cell.checked = 1;
    app->close(stock);
    window.messages.shown.clear();
    window.session.cmdReplaceAll_Click();
    EXPECT_EQ(formula(*sales, u"Sales Q1", "B4"), "pear");
    EXPECT_TRUE(window.messages.shown.empty());
    EXPECT_EQ(window.status_text(), u"Done (1 cell not written) ...  all open workbooks");
}

TEST(PairList, ReadsCsvAndTabsWithQuotesAndNamesTheLineOfAMistake) {
    const auto pairs = tarvex::parse_pairs(u"Find,Replace\r\nold,new\r\n\"a,b\",\"say \"\"hi\"\"\"\r\n\r\nx,\r\n");
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(pairs[1].find, u"a,b");
    EXPECT_EQ(pairs[1].replace, u"say \"hi\"");
    EXPECT_EQ(pairs[2].replace, u"");
    EXPECT_EQ(pairs[2].line, 5u);
    const auto tabbed = tarvex::parse_pairs(u"one\t1\n\"two\nlines\"\t2,5\n");
    ASSERT_EQ(tabbed.size(), 2u);
    EXPECT_EQ(tabbed[1].find, u"two\nlines");
    EXPECT_EQ(tabbed[1].replace, u"2,5");

    struct Bad {
        const char16_t* text;
        const char* says;
    };
    const Bad bad[] = {
        {u"old,new\nlonely\n", "line 2 has one column"},
        {u"old,new\n\"open,new\n", "line 2 has a quote that is not closed"},
        {u"a,b\n,empty\n", "line 2 has no text to find"},
        {u"a,b,c\n", "line 1 has 3 columns"},
    };
    for (const Bad& b : bad) {
        try {
            tarvex::parse_pairs(b.text);
            ADD_FAILURE() << b.says;
        } catch (const tarvex::PairListError& error) {
            EXPECT_EQ(tarvex::utf16_to_utf8(error.message).rfind(b.says, 0), 0u)
                << tarvex::utf16_to_utf8(error.message);
        }
    }
    // Files in UTF-16 with either byte order, and UTF-8 with or without its mark.
    EXPECT_EQ(tarvex::decode_text_file(std::string("\xFF\xFE"
                                                   "a\0,\0\xE9\0",
                                                   8)),
              u"a,\u00e9");
    EXPECT_EQ(tarvex::decode_text_file(std::string("\xFE\xFF\0a\0,\0\xE9", 8)), u"a,\u00e9");
    EXPECT_EQ(tarvex::decode_text_file("\xEF\xBB\xBF"
                                       "a,\xC3\xA9"),
              u"a,\u00e9");
    EXPECT_EQ(tarvex::decode_text_file("a,\xC3\xA9"), u"a,\u00e9");
}

TEST_F(EveryWorkbook, APairListIsListedThenAppliedInOrderAndUndoneAtOnce) {
    const auto book = open("sheet S\nA1|alpha\nA2|beta gamma\nA3|none\n", u"Book.wb");
    window.pairs_path = u"pairs.csv";
    // A line that cannot be used changes nothing.
    window.files[u"pairs.csv"] = "alpha,beta\nlonely\n";
    window.session.replace_from_list(tarvex::PairSource::file);
    ASSERT_EQ(window.messages.shown.size(), 1u);
    EXPECT_NE(tarvex::utf16_to_utf8(window.messages.shown[0].text).find("line 2 has one column"), std::string::npos);
    EXPECT_TRUE(window.rows().empty());

    // Each pair works on what the pairs before it left: alpha -> beta -> delta.
    window.files[u"pairs.csv"] = "\xEF\xBB\xBF\"Find\",\"Replace\"\nalpha,beta\nbeta,delta\ngamma,^TB\n";
    window.session.replace_from_list(tarvex::PairSource::file);
    EXPECT_EQ(rows(), (Rows{"S!$A$1=alpha", "S!$A$2=beta gamma", "S!$A$2=beta gamma"}));
    EXPECT_EQ(window.status_text(), u"Done(3 matches, 3 pairs)  ...");
    EXPECT_EQ(window.session.preview(1), u"Pair 2: beta \u2192 delta\r\nNow: beta gamma\r\nAfter Replace: delta \t");
    window.session.cmdReplaceAll_Click();
    EXPECT_EQ(formula(*book, u"S", "A1"), "delta");
    EXPECT_EQ(formula(*book, u"S", "A2"), "delta \t");
    EXPECT_EQ(window.status_text(), u"Done (2 cells, 3 pairs)  ...");
    window.session.undo_replace();
    EXPECT_EQ(formula(*book, u"S", "A1"), "alpha");
    EXPECT_EQ(formula(*book, u"S", "A2"), "beta gamma");

    // From the clipboard, tab-separated; Find with the box's text ends the list.
    window.clipboard_in = u"none\tsome\n";
    window.session.replace_from_list(tarvex::PairSource::clipboard);
    EXPECT_EQ(window.session.pair_count(), 1u);
    find("alpha");
    EXPECT_EQ(window.session.pair_count(), 0u);
    EXPECT_EQ(rows(), (Rows{"S!$A$1=alpha"}));
}

TEST_F(EveryWorkbook, ReplaceAllWritesColumnsInBlocksAndFallsBackCellByCellWithTheSameRecord) {
    // Two columns of listed cells (one of texts that look like numbers), a lone
    // cell, and a cell whose new text is a formula, which is always written alone.
    std::string text = "sheet S\nE1|item\nE3|=\"item\"\n";
    for (int row = 1; row <= 200; ++row) {
        text += "A" + std::to_string(row) + "|item " + std::to_string(row) + "\n";
        text += "C" + std::to_string(row) + "|'00" + std::to_string(row) + " item\n";
    }
    const auto book = open(text.c_str(), u"Book.wb");
    struct Way {
        const char* name;
        const char* failing;  // the call that fails once, if any
        std::size_t writes;   // Formula and Value puts, refused ones included
        bool read_fails = false;
    };
    const Way ways[] = {
        // One block put per column, alone the lone cell and the formula.
        {"in blocks", nullptr, 4},
        // The first column's block turned down: its cells one by one.
        {"a block put refused", "Range.Formula=", 1 + 200 + 3},
        // Nothing read in bulk: every cell read and written one by one.
        {"the bulk read fails", "Range.Formula", 402, true},
    };
    using Record = std::vector<std::tuple<std::u16string, std::u16string, bool, std::u16string>>;
    std::optional<Record> first;
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        find("item");
        ASSERT_EQ(window.rows().size(), 402u);
        window.replace.set_text(u"thing");
        app->clear_log();
        if (way.failing != nullptr) {
            app->fail_call(way.failing, 1, standin::hr::application_defined);
        }
        window.session.cmdReplaceAll_Click();
        EXPECT_EQ(formula(*book, u"S", "A200"), "thing 200");
        EXPECT_EQ(formula(*book, u"S", "C7"), "007 thing");
        EXPECT_EQ(formula(*book, u"S", "E3"), "=\"thing\"");
        EXPECT_EQ(window.status_text(), u"Done ...");
        EXPECT_EQ(calls("Range.Formula=") + calls("Range.Value="), way.writes);
        Record record;
        for (const tarvex::UndoEntry& e : window.session.last_replace().entries) {
            record.emplace_back(e.address, e.before, e.before_is_text, e.written);
        }
        std::sort(record.begin(), record.end());
        if (first) {
            EXPECT_EQ(record, *first) << "the same cells recorded the same way";
        } else {
            first = record;
        }
        // Undo reads the cells now in bulk too; when that fails, one by one.
        if (way.read_fails) {
            app->fail_call(way.failing, 1, standin::hr::application_defined);
        }
        window.session.undo_replace();
        EXPECT_EQ(formula(*book, u"S", "A200"), "item 200");
        EXPECT_EQ(formula(*book, u"S", "C7"), "007 item");
        EXPECT_EQ(formula(*book, u"S", "E3"), "=\"item\"");
        EXPECT_EQ(window.status_text(), u"Undone (402 cells)  ...");
    }
}

TEST(BulkBlocks, PutsCoverRunsAndStackedRunsOnlyOfTheCellsGiven) {
    using Cells = std::vector<std::pair<std::int32_t, std::int32_t>>;
    const auto puts_of = [](const Cells& cells, std::int64_t most = 4096) {
        std::vector<std::string> out;
        for (const auto& b : tarvex::plan_puts(cells, most)) {
            std::string members;
            for (const std::size_t m : b.members) {
                members += std::to_string(m);
            }
            out.push_back(std::to_string(b.top) + ":" + std::to_string(b.left) + "-" + std::to_string(b.bottom) + ":" +
                          std::to_string(b.right) + "=" + members);
        }
        return out;
    };
    struct Case {
        Cells cells;
        std::vector<std::string> puts;
        std::int64_t most = 4096;
    };
    const Case cases[] = {
        // A run along a row, members in row order whatever the given order.
        {{{1, 3}, {1, 1}, {1, 2}}, {"1:1-1:3=120"}},
        // Cells apart write alone; a cell given twice is in no block.
        {{{1, 1}, {1, 3}, {3, 1}}, {}},
        {{{1, 1}, {1, 1}, {1, 2}}, {}},
        // A column stacks into one block; a row of another width starts anew.
        {{{1, 2}, {2, 2}, {3, 2}, {4, 1}, {4, 2}}, {"1:2-3:2=012", "4:1-4:2=34"}},
        // A 2x2 square, and a gap between rows ends the stack.
        {{{1, 1}, {1, 2}, {2, 1}, {2, 2}, {4, 1}, {4, 2}}, {"1:1-2:2=0123", "4:1-4:2=45"}},
        // No block grows beyond its bound.
        {{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}}, {"1:1-2:1=01", "3:1-4:1=23"}, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(puts_of(c.cells, c.most), c.puts);
    }
}

TEST(BulkBlocks, DenseCellsShareABlockScatteredOnesDoNotAndNoneIsTooBig) {
    using Cells = std::vector<std::pair<std::int32_t, std::int32_t>>;
    const auto blocks_of = [](const Cells& cells, std::int64_t most = 65536) {
        std::vector<std::string> out;
        for (const auto& b : tarvex::plan_blocks(cells, most)) {
            out.push_back(std::to_string(b.top) + ":" + std::to_string(b.left) + "-" + std::to_string(b.bottom) + ":" +
                          std::to_string(b.right) + "x" + std::to_string(b.members.size()));
        }
        return out;
    };
    EXPECT_EQ(blocks_of({{3, 2}, {1, 1}, {2, 3}}), (std::vector<std::string>{"1:1-3:3x3"}));
    EXPECT_EQ(blocks_of({{1, 1}, {60000, 200}}), (std::vector<std::string>{"1:1-1:1x1", "60000:200-60000:200x1"}));
    Cells column;
    for (std::int32_t row = 1; row <= 1000; ++row) {
        column.emplace_back(row, 1);
    }
    EXPECT_EQ(blocks_of(column, 400),
              (std::vector<std::string>{"1:1-400:1x400", "401:1-800:1x400", "801:1-1000:1x200"}));
}

}  // namespace
