// Long commands show where they are and stop when the user asks: Find keeps the
// rows found so far, Replace All keeps what it wrote (undoably) and lists what
// is left.
#include <gtest/gtest.h>

#include "base/text.h"
#include "engine/command_texts.h"
#include "engine/search_session.h"
#include "support/fake_controls.h"
#include "support/standin_host.h"
#include "ui/controls/progress_pace.h"

using tarvex::MousePointer;
using tarvex::testing::FakeMainWindow;

namespace {

class Progress : public ::testing::Test {
protected:
    void SetUp() override {
        // Every other row: each cell is written alone, so Esc can stop between
        // any two of them.
        std::string book = "sheet First\n";
        for (int row = 1; row <= 4; ++row) {
            book += "A" + std::to_string(2 * row - 1) + "|apple " + std::to_string(row) + "\n";
        }
        book += "sheet Second\n";
        for (int row = 1; row <= 3; ++row) {
            book += "B" + std::to_string(2 * row - 1) + "|apple pie\n";
        }
        tarvex::testing::add_book(*app, book.c_str());
        window.session.attach(tarvex::testing::make_standin_host(app));
        window.search.set_text(u"apple");
    }
    std::shared_ptr<standin::Application> app = std::make_shared<standin::Application>();
    FakeMainWindow window;
};

TEST_F(Progress, FindReportsEachMatchAndStopsAfterTheHostCallItIsIn) {
    window.session.cmdFind_Click();
    ASSERT_EQ(window.rows().size(), 7u);
    EXPECT_EQ(window.progress_.reports.front(), u"Searching ... First: 1 matches");
    EXPECT_EQ(window.progress_.reports.back(), u"Searching ... Second: 7 matches");
    const int polls = window.progress_.asked;
    EXPECT_GE(polls, 7) << "one look per host search call at least";

    // Esc noticed at the third look: the first worksheet's first matches stay listed.
    window.progress_.asked = 0;
    window.progress_.stop_after = 3;
    window.session.cmdFind_Click();
    EXPECT_EQ(window.rows().size(), 2u);
    EXPECT_EQ(window.status_text(), u"Stopped (2 matches)  ...");
    EXPECT_EQ(window.screen.current, MousePointer::standard);
    // The next Find starts afresh.
    window.session.cmdFind_Click();
    EXPECT_EQ(window.rows().size(), 7u);
    EXPECT_EQ(window.status_text(), u"Done(7 matches)  ...");
}

TEST_F(Progress, ReplaceAllStopsKeepingWhatItWroteAndListsTheRest) {
    window.session.cmdFind_Click();
    window.replace.set_text(u"pear");
    window.progress_.reports.clear();
    window.progress_.asked = 0;
    window.progress_.stop_after = 3;  // before the third row
    window.session.cmdReplaceAll_Click();
    EXPECT_EQ(window.progress_.reports.front(), u"Replacing ... 1 of 7");
    EXPECT_EQ(window.session.last_replace().entries.size(), 2u);
    EXPECT_EQ(window.rows().size(), 5u) << "the closing Find ran to its end";
    EXPECT_EQ(window.status_text(), u"Stopped (2 of 7 cells replaced)  ...");
    EXPECT_EQ(window.screen.current, MousePointer::standard);
    // What it wrote can be undone.
    window.session.undo_replace();
    EXPECT_EQ(window.rows().size(), 7u);
}

TEST_F(Progress, LargeCountsAreGrouped) {
    std::string book = "sheet Big\n";
    for (int row = 1; row <= 1200; ++row) {
        book += "A" + std::to_string(row) + "|apple\n";
    }
    tarvex::testing::add_book(*app, book.c_str(), u"Big.wb");
    window.session.attach(window.session.application());
    window.session.cmdFind_Click();
    EXPECT_EQ(window.progress_.reports.back(), u"Searching ... Big: 1,200 matches");
}

}  // namespace

TEST(ProgressPace, ReportsTwiceASecondAndLooksForEscEveryFewMilliseconds) {
    tarvex::ProgressPace pace;
    pace.start(1000);
    // The first look comes at once; the next not before the look interval.
    const std::pair<std::uint64_t, bool> looks[] = {{1000, true}, {1010, false}, {1024, false},
                                                    {1025, true}, {1030, false}, {1100, true}};
    for (const auto& [now, looks_now] : looks) {
        EXPECT_EQ(pace.look_now(now), looks_now) << now;
    }
    // A command that ends within half a second reports nothing extra.
    EXPECT_FALSE(pace.report_due(1499));
    EXPECT_TRUE(pace.report_due(1500));
    pace.reported(1600);
    EXPECT_FALSE(pace.report_due(2099));
    EXPECT_TRUE(pace.report_due(2100));
    // A new command starts counting afresh, and looks at once.
    pace.start(5000);
    EXPECT_TRUE(pace.look_now(5001));
    EXPECT_FALSE(pace.report_due(5001));
}
