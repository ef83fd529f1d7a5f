#include "ui/main/frm_main.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "settings/column_layout.h"
#include "support/fake_columns.h"
#include "support/fake_controls.h"
#include "support/host_fakes.h"
#include "support/standin_host.h"

namespace tarvex {
namespace {

using testing::FakeColumns;
using testing::FakeMainWindow;
using Log = std::vector<std::string>;

constexpr char16_t column_key[] = u"Software\\Pellwick\\TarvexfrmMain_lvwMain Column Information\\Sheet";
constexpr std::int32_t refused = static_cast<std::int32_t>(0x80010001);

// The window's own actions and the host's workbook write one log, so a test sees
// the order of everything the sequences do.
struct Journal {
    Log log;
    FakeMainWindow* window = nullptr;

    void record(const std::string& what) {
        // Whether the column layout had been written by then.
        const bool saved = window && window->registry.get_text(hkey_current_user, column_key, u"Width").has_value();
        log.push_back(what + (saved ? " (layout saved)" : ""));
    }
};

class RecordingPlatform final : public FrmMainPlatform {
public:
    explicit RecordingPlatform(Journal& journal) : journal_(journal) {}
    void unload_about_box() override { journal_.record("about closed"); }
    void close_context_help() override { journal_.record("help closed"); }
    void destroy() override { journal_.record("destroyed"); }

private:
    Journal& journal_;
};

class RecordingWorkbook final : public testing::FakeWorkbookBase {
public:
    RecordingWorkbook(Journal& journal, bool refuse) : journal_(journal), refuse_(refuse) {}
    void activate() override {
        journal_.record("workbook activated");
        if (refuse_) {
            throw HostError{refused, u"Call was rejected by callee.", u"host"};
        }
    }
    std::vector<std::unique_ptr<HostSheet>> worksheets() override { return {}; }
    std::unique_ptr<HostSheet> sheet(const std::u16string&) override { return nullptr; }

private:
    Journal& journal_;
    bool refuse_;
};

class RecordingApplication final : public testing::FakeApplicationBase {
public:
    explicit RecordingApplication(std::shared_ptr<HostWorkbook> book) : book_(std::move(book)) {}
    std::shared_ptr<HostWorkbook> active_workbook() override { return book_; }

private:
    std::shared_ptr<HostWorkbook> book_;
};

class FrmMainSequences : public ::testing::Test {
protected:
    FrmMainSequences() { journal.window = &window; }

    Journal journal;
    FakeMainWindow window;
    FakeColumns columns{{{u"Sheet", u"Work Sheet"}, {u"Cell", u"Cell"}, {u"Content", u"Content"}}};
    RecordingPlatform platform{journal};
    FrmMainParts form{window.search, window.replace, columns, window.settings, platform};
};

TEST_F(FrmMainSequences, SetmeupEmptiesTheSearchBoxThenOffersRecentTextsAndRestoresColumns) {
    window.registry.put_text(hkey_current_user, application_key, u"SearchMRU_1", u"apple");
    window.registry.put_text(hkey_current_user, application_key, u"SearchMRU_2", u"pear");
    window.registry.put_text(hkey_current_user, application_key, u"ReplaceMRU_1", u"plum");
    window.registry.put_text(hkey_current_user, column_key, u"Width", u"2000");
    window.registry.put_text(hkey_current_user, column_key, u"Position", u"3");
    window.search.set_text(u"typed before");
    window.search.add_item(u"stale");

    setmeup(form, window.session);

    // A recent list ends with the first empty slot, which it offers as well.
    EXPECT_EQ(window.search.items, (std::vector<std::u16string>{u"apple", u"pear", u""}));
    EXPECT_EQ(window.search.text(), u"");
    EXPECT_EQ(window.replace.items, (std::vector<std::u16string>{u"plum", u""}));
    EXPECT_EQ(columns.width(0), 2000.0f);
    EXPECT_EQ(columns.position(0), 3);
    EXPECT_TRUE(columns.report_view);
    EXPECT_TRUE(columns.full_row);
}

TEST_F(FrmMainSequences, UnloadSavesTheLayoutFirstAndHandsTheFocusBackBeforeTheWindowGoes) {
    struct Case {
        const char* what;
        bool has_application;
        bool has_workbook;
        bool host_refuses;
        Log expected;
    };
    const Case cases[] = {
        {"a host with a workbook",
         true,
         true,
         false,
         {"about closed (layout saved)", "workbook activated (layout saved)", "help closed (layout saved)",
          "destroyed (layout saved)"}},
        {"a host that refuses: the window closes all the same",
         true,
         true,
         true,
         {"about closed (layout saved)", "workbook activated (layout saved)", "help closed (layout saved)",
          "destroyed (layout saved)"}},
        {"a host without a workbook",
         true,
         false,
         false,
         {"about closed (layout saved)", "help closed (layout saved)", "destroyed (layout saved)"}},
        {"no Search yet",
         false,
         false,
         false,
         {"about closed (layout saved)", "help closed (layout saved)", "destroyed (layout saved)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeMainWindow fresh;
        journal = Journal{{}, &fresh};
        FrmMainParts parts{fresh.search, fresh.replace, columns, fresh.settings, platform};
        SearchSession& state = fresh.session;
        if (c.has_application) {
            std::shared_ptr<HostWorkbook> book;
            if (c.has_workbook) {
                book = std::make_shared<RecordingWorkbook>(journal, c.host_refuses);
            }
            state.attach(std::make_shared<RecordingApplication>(book));
        }
        unload_form(parts, state);
        EXPECT_EQ(journal.log, c.expected);
    }
}

TEST_F(FrmMainSequences, CancelSavesTheLayoutAndUnloads) {
    columns.set_width(0, 3000);
    CommandButton2_Click(form, window.session);
    EXPECT_EQ(journal.log,
              (Log{"about closed (layout saved)", "help closed (layout saved)", "destroyed (layout saved)"}));
    EXPECT_EQ(window.registry.get_text(hkey_current_user, column_key, u"Width"), u"3000");
}

TEST_F(FrmMainSequences, DoubleClickGoesToTheCellOnlyOnARow) {
    auto app = std::make_shared<standin::Application>();
    testing::add_book(*app, "sheet First\nA1|x\nsheet Second\nB2|apple\n", u"Book.wb");
    window.session.attach(testing::make_standin_host(app));
    window.rows().append({ResultRow{u"Second", u"$B$2", u"apple", false}});
    window.selected = 0;

    window.session.double_click_at(-1);
    EXPECT_EQ(app->active_workbook()->active_sheet()->name(), u"First") << "a click beside the rows goes nowhere";

    window.session.double_click_at(0);
    EXPECT_EQ(app->active_workbook()->active_sheet()->name(), u"Second");
}

}  // namespace

TEST(ResultListTicks, ClickOnTheTickBoxTogglesThatRowOnly) {
    ResultList rows;
    rows.append({ResultRow{u"S", u"$A$1", u"a", false}, ResultRow{u"S", u"$A$2", u"b", true}});
    EXPECT_TRUE(click_tick_box(rows, 0, true));
    EXPECT_TRUE(rows.row(0).ticked);
    EXPECT_TRUE(click_tick_box(rows, 1, true));
    EXPECT_FALSE(rows.row(1).ticked);
    // Beside the box, beside the rows, or on a row that is gone: nothing changes.
    EXPECT_FALSE(click_tick_box(rows, 0, false));
    EXPECT_FALSE(click_tick_box(rows, -1, true));
    EXPECT_FALSE(click_tick_box(rows, 2, true));
    EXPECT_TRUE(rows.row(0).ticked);
    EXPECT_FALSE(rows.row(1).ticked);
}

TEST(ResultListTicks, SpaceTicksAllSelectedRowsUnlessAllAreTicked) {
    struct Case {
        const char* what;
        std::vector<bool> before;
        std::optional<std::size_t> focused;
        std::vector<std::size_t> selected;
        bool touched;
        std::vector<bool> after;
    };
    const Case cases[] = {
        {"focused row alone", {false, false, false}, 1, {1}, true, {false, true, false}},
        {"focused but not selected still toggles", {false, true, false}, 0, {}, true, {true, true, false}},
        {"any unticked: all become ticked", {false, true, false}, 0, {0, 1, 2}, true, {true, true, true}},
        {"whatever the focused row holds", {true, false, true}, 0, {0, 1, 2}, true, {true, true, true}},
        {"all ticked: all become unticked", {true, true, false}, 2, {0, 1}, true, {false, false, false}},
        {"the selection counts, not the focus", {false, true}, std::nullopt, {0, 1}, true, {true, true}},
        {"no selection and no focused row: nothing", {false, true}, std::nullopt, {}, false, {false, true}},
        {"a focused row that is gone: nothing", {false}, 5, {}, false, {false}},
        {"selected rows past the end are passed over", {false, false}, 0, {0, 9}, true, {true, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResultList rows;
        std::vector<ResultRow> added;
        for (std::size_t i = 0; i < c.before.size(); ++i) {
            added.push_back(
                ResultRow{u"S", u"$A$" + std::u16string(1, static_cast<char16_t>(u'1' + i)), u"", c.before[i]});
        }
        rows.append(std::move(added));
        EXPECT_EQ(press_space_bar(rows, c.focused, c.selected), c.touched);
        for (std::size_t i = 0; i < c.after.size(); ++i) {
            EXPECT_EQ(rows.row(i).ticked, c.after[i]) << "row " << i;
        }
    }
}

}  // namespace tarvex
