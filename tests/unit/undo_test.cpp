// Undo Replace against the stand-in host: what the last replace command wrote
// comes back exactly, a cell changed since stays as it is, a sheet gone since is
// counted, and there is one level only.
#include <gtest/gtest.h>

#include "base/text.h"
#include "engine/command_texts.h"
#include "engine/search_session.h"
#include "support/fake_controls.h"
#include "support/standin_host.h"

using tarvex::MousePointer;
using tarvex::u16;
using tarvex::testing::FakeMainWindow;

namespace {

class Undo : public ::testing::Test {
protected:
    void open(const char* text) {
        tarvex::testing::add_book(*app, text);
        window.session.attach(tarvex::testing::make_standin_host(app));
    }
    void find(const char* text) {
        window.search.set_text(u16(text));
        window.session.cmdFind_Click();
    }
    void replace_all(const char* what, const char* with, bool whole_cell = false) {
        find(what);
        window.replace.set_text(u16(with));
        window.entire_cell.checked = whole_cell ? 1 : 0;
        window.session.cmdReplaceAll_Click();
    }
    void undo() {
        window.messages.shown.clear();
        window.session.undo_replace();
    }
    const standin::Cell* cell(const char16_t* sheet, const char* a1) const {
        return app->active_workbook()->sheet(sheet)->cell(*standin::parse_cell(u16(a1)));
    }
    std::string formula(const char16_t* sheet, const char* a1) const {
        const standin::Cell* c = cell(sheet, a1);
        return c ? tarvex::utf16_to_utf8(c->formula_text()) : "";
    }

    std::shared_ptr<standin::Application> app = std::make_shared<standin::Application>();
    FakeMainWindow window;
};

constexpr char garden[] =
    "sheet Plants\n"
    "A1|apple tree\n"
    "A2|=\"apple\"&\"s\"|value=apples\n"
    "A3|'0070\n"
    "A4|1070\n"
    "sheet Notes\n"
    "B2|crab apple\n";

TEST_F(Undo, RestoresExactlyWhatTheReplaceWroteOver) {
    open(garden);
    EXPECT_FALSE(window.session.can_undo_replace());
    replace_all("apple", "pear");
    replace_all("07", "9");  // the text 0070 becomes 090, typed in: the number 90; 1070 becomes 190
    ASSERT_TRUE(window.session.can_undo_replace());
    EXPECT_EQ(cell(u"Plants", "A3")->value.kind, standin::ValueKind::number);
    undo();
    // The text 0070 comes back as a text, not as the number 70; the number stays a number.
    EXPECT_EQ(cell(u"Plants", "A3")->value.kind, standin::ValueKind::text);
    EXPECT_EQ(formula(u"Plants", "A3"), "0070");
    EXPECT_EQ(cell(u"Plants", "A4")->value.kind, standin::ValueKind::number);
    EXPECT_EQ(formula(u"Plants", "A4"), "1070");
    EXPECT_EQ(window.status_text(), u"Undone (2 cells)  ...");
    EXPECT_TRUE(window.messages.shown.empty());
    EXPECT_EQ(window.screen.current, MousePointer::standard);

    // One level: the first replace is not undone, and nothing is left to undo.
    EXPECT_FALSE(window.session.can_undo_replace());
    EXPECT_EQ(formula(u"Plants", "A1"), "pear tree");
    undo();
    EXPECT_EQ(formula(u"Plants", "A1"), "pear tree");
}

TEST_F(Undo, BringsBackFormulasAndEntireCells) {
    open(garden);
    replace_all("apple", "pear");
    EXPECT_EQ(formula(u"Plants", "A2"), "=\"pear\"&\"s\"");
    undo();
    EXPECT_EQ(formula(u"Plants", "A1"), "apple tree");
    EXPECT_EQ(formula(u"Plants", "A2"), "=\"apple\"&\"s\"");
    EXPECT_EQ(formula(u"Notes", "B2"), "crab apple");
    EXPECT_EQ(window.status_text(), u"Undone (3 cells)  ...");
    // The list shows what is there again.
    EXPECT_EQ(window.rows().size(), 3u);

    replace_all("apple", "fig", true);
    EXPECT_EQ(formula(u"Plants", "A2"), "fig");
    undo();
    EXPECT_EQ(formula(u"Plants", "A2"), "=\"apple\"&\"s\"");
    EXPECT_EQ(formula(u"Notes", "B2"), "crab apple");
}

TEST_F(Undo, LeavesCellsChangedSinceAndCountsThoseItCannotReach) {
    open(garden);
    replace_all("apple", "pear");
    // After the replace, the user edits one cell and deletes a sheet.
    app->active_workbook()->sheet(u"Plants")->write_value(*standin::parse_cell(u"A1"), u"my own text");
    app->active_workbook()->delete_sheet(u"Notes");
    undo();
    EXPECT_EQ(formula(u"Plants", "A1"), "my own text");
    EXPECT_EQ(formula(u"Plants", "A2"), "=\"apple\"&\"s\"");
    EXPECT_EQ(window.status_text(), u"Undone (1 cell)  ...");
    ASSERT_EQ(window.messages.shown.size(), 1u);
    EXPECT_EQ(window.messages.shown[0].title, u"Tarvex");
    EXPECT_EQ(window.messages.shown[0].text,
              u"1 cell changed after the replace was left as it is: Plants!$A$1.\r\n"
              u"1 cell could not be written back: Notes!$B$2.");
}

TEST_F(Undo, AHostThatRefusesIsCountedNotFatal) {
    open(garden);
    replace_all("apple", "pear");
    app->fail_call("Range.Formula=", 1, standin::hr::call_rejected);
    undo();
    ASSERT_EQ(window.messages.shown.size(), 1u);
    EXPECT_NE(window.messages.shown[0].text.find(u"1 cell could not be written back"), std::u16string::npos);
    EXPECT_EQ(window.status_text(), u"Undone (2 cells)  ...");
    EXPECT_EQ(window.screen.current, MousePointer::standard);
}

TEST_F(Undo, ACellTheReplaceLeftAloneIsNotInTheRecord) {
    open("sheet S\nA1|apple\nA2|Apple\n");
    replace_all("apple", "pear");  // case-sensitive: A2 is listed but not written
    ASSERT_TRUE(window.session.can_undo_replace());
    EXPECT_EQ(window.session.last_replace().entries.size(), 1u);
    // A replace that writes nothing leaves nothing to undo.
    replace_all("plum", "fig");
    EXPECT_FALSE(window.session.can_undo_replace());
}

}  // namespace
