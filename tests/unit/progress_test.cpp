// Long commands show where they are and stop when the user asks: Find keeps the
// rows found so far, Replace All keeps what it wrote (undoably) and lists what
// is left.
#include <gtest/gtest.h>

#include "base/text.h"
#include "engine/commands.h"
#include "support/fake_controls.h"
#include "support/standin_host.h"

using tarvex::MousePointer;
using tarvex::testing::FakeMainWindow;

namespace {

class Progress : public ::testing::Test {
protected:
    void SetUp() override {
        std::string book = "sheet First\n";
        for (int row = 1; row <= 4; ++row) {
            book += "A" + std::to_string(row) + "|apple " + std::to_string(row) + "\n";
        }
        book += "sheet Second\n";
        for (int row = 1; row <= 3; ++row) {
            book += "B" + std::to_string(row) + "|apple pie\n";
        }
        tarvex::testing::add_book(*app, book.c_str());
        globals.application = tarvex::testing::make_standin_host(app);
        globals.target_workbook = globals.application->active_workbook();
        window.search.set_text(u"apple");
    }
    std::shared_ptr<standin::Application> app = std::make_shared<standin::Application>();
    tarvex::AddinGlobals globals;
    FakeMainWindow window;
};

TEST_F(Progress, FindReportsEachMatchAndStopsAfterTheHostCallItIsIn) {
    tarvex::cmdFind_Click(window.controls, globals);
    ASSERT_EQ(window.list.list.size(), 7u);
    EXPECT_EQ(window.progress.reports.front(), u"Searching ... First: 1 matches");
    EXPECT_EQ(window.progress.reports.back(), u"Searching ... Second: 7 matches");
    const int polls = window.progress.asked;
    EXPECT_GE(polls, 7) << "one look per host search call at least";

    // Esc noticed at the third look: the first worksheet's first matches stay listed.
    window.progress.asked = 0;
    window.progress.stop_after = 3;
    tarvex::cmdFind_Click(window.controls, globals);
    EXPECT_EQ(window.list.list.size(), 2u);
    EXPECT_EQ(window.status_text(), u"Stopped (2 matches)  ...");
    EXPECT_EQ(window.screen.current, MousePointer::standard);
    // The next Find starts afresh.
    tarvex::cmdFind_Click(window.controls, globals);
    EXPECT_EQ(window.list.list.size(), 7u);
    EXPECT_EQ(window.status_text(), u"Done(7 matches)  ...");
}

TEST_F(Progress, ReplaceAllStopsKeepingWhatItWroteAndListsTheRest) {
    tarvex::cmdFind_Click(window.controls, globals);
    window.replace.set_text(u"pear");
    window.progress.reports.clear();
    window.progress.asked = 0;
    window.progress.stop_after = 3;  // before the third row
    tarvex::cmdReplaceAll_Click(window.controls, globals);
    EXPECT_EQ(window.progress.reports.front(), u"Replacing ... 1 of 7");
    EXPECT_EQ(globals.last_replace.entries.size(), 2u);
    EXPECT_EQ(window.list.list.size(), 5u) << "the closing Find ran to its end";
    EXPECT_EQ(window.status_text(), u"Stopped (2 of 7 cells replaced)  ...");
    EXPECT_EQ(window.screen.current, MousePointer::standard);
    // What it wrote can be undone.
    tarvex::undo_replace(window.controls, globals);
    EXPECT_EQ(window.list.list.size(), 7u);
}

TEST_F(Progress, LargeCountsAreGrouped) {
    std::string book = "sheet Big\n";
    for (int row = 1; row <= 1200; ++row) {
        book += "A" + std::to_string(row) + "|apple\n";
    }
    tarvex::testing::add_book(*app, book.c_str(), u"Big.wb");
    globals.target_workbook = globals.application->active_workbook();
    tarvex::cmdFind_Click(window.controls, globals);
    EXPECT_EQ(window.progress.reports.back(), u"Searching ... Big: 1,200 matches");
}

}  // namespace
