#include "engine/session.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/fake_controls.h"
#include "support/host_fakes.h"

namespace {

using tarvex::HostError;
using Log = std::vector<std::string>;

constexpr std::int32_t refused = static_cast<std::int32_t>(0x80010001);

// Every fake writes to one shared log, so a test sees the order of window and
// host calls together. `fail_at` names the one call that throws.
struct Recorder {
    Log log;
    std::string fail_at;

    void record(const std::string& call) {
        log.push_back(call);
        if (call == fail_at) {
            throw HostError{refused, u"Call was rejected by callee.", u"host"};
        }
    }
};

class FakeWorkbook : public tarvex::testing::FakeWorkbookBase {
public:
    FakeWorkbook(Recorder& recorder, std::string name) : recorder_(recorder), name_(std::move(name)) {}
    void activate() override { recorder_.record(name_ + ".Activate"); }
    std::vector<std::unique_ptr<tarvex::HostSheet>> worksheets() override { return {}; }
    std::unique_ptr<tarvex::HostSheet> sheet(const std::u16string&) override { return nullptr; }

private:
    Recorder& recorder_;
    std::string name_;
};

// Answers ActiveWorkbook from a script: one answer per call, the last repeated.
class FakeApplication : public tarvex::testing::FakeApplicationBase {
public:
    FakeApplication(Recorder& recorder, std::vector<std::shared_ptr<FakeWorkbook>> answers)
        : recorder_(recorder), answers_(std::move(answers)) {}
    std::shared_ptr<tarvex::HostWorkbook> active_workbook() override {
        recorder_.record("ActiveWorkbook");
        if (answers_.empty()) {
            return nullptr;
        }
        auto answer = answers_.front();
        if (answers_.size() > 1) {
            answers_.erase(answers_.begin());
        }
        return answer;
    }

private:
    Recorder& recorder_;
    std::vector<std::shared_ptr<FakeWorkbook>> answers_;
};

class RecordingWindow : public tarvex::MainWindowPort {
public:
    explicit RecordingWindow(Recorder& recorder) : recorder_(recorder) {}
    void Hide() override { recorder_.record("Hide"); }
    void setmeup() override { recorder_.record("setmeup"); }
    void Show() override { recorder_.record("Show"); }
    void ZOrder() override { recorder_.record("ZOrder"); }
    void SetFocus() override { recorder_.record("SetFocus"); }

private:
    Recorder& recorder_;
};

class SearchTest : public ::testing::Test {
protected:
    Recorder recorder;
    RecordingWindow window{recorder};
    tarvex::testing::FakeMainWindow view;
    tarvex::SearchSession& session = view.session;
};

TEST_F(SearchTest, StoresTheHostAndShowsTheWindowInOrder) {
    auto book = std::make_shared<FakeWorkbook>(recorder, "Book1");
    auto app = std::make_shared<FakeApplication>(recorder, std::vector{book});

    tarvex::search(app, session, window);

    EXPECT_EQ(recorder.log, (Log{"ActiveWorkbook", "Hide", "ActiveWorkbook", "Book1.Activate", "setmeup", "Show",
                                 "ZOrder", "SetFocus"}));
    EXPECT_EQ(session.application(), app);
    EXPECT_EQ(session.target_workbook(), book);
}

TEST_F(SearchTest, ActivatesTheWorkbookActiveAfterLoadingNotTheStoredOne) {
    // Loading the window may let the host switch workbooks; the target stays the
    // one read first, but the host is asked again for the one to show.
    auto first = std::make_shared<FakeWorkbook>(recorder, "First");
    auto second = std::make_shared<FakeWorkbook>(recorder, "Second");
    auto app = std::make_shared<FakeApplication>(recorder, std::vector{first, second});

    tarvex::search(app, session, window);

    EXPECT_EQ(recorder.log.at(3), "Second.Activate");
    EXPECT_EQ(session.target_workbook(), first);
}

TEST_F(SearchTest, SecondSearchReplacesAndReleasesTheFirstHost) {
    std::weak_ptr<FakeApplication> first_app;
    std::weak_ptr<FakeWorkbook> first_book;
    {
        auto book = std::make_shared<FakeWorkbook>(recorder, "Book1");
        auto app = std::make_shared<FakeApplication>(recorder, std::vector{book});
        first_app = app;
        first_book = book;
        tarvex::search(app, session, window);
    }
    ASSERT_FALSE(first_app.expired());
    ASSERT_FALSE(first_book.expired());

    auto book = std::make_shared<FakeWorkbook>(recorder, "Book2");
    auto app = std::make_shared<FakeApplication>(recorder, std::vector{book});
    recorder.log.clear();
    tarvex::search(app, session, window);

    EXPECT_TRUE(first_app.expired());
    EXPECT_TRUE(first_book.expired());
    EXPECT_EQ(session.application(), app);
    EXPECT_EQ(session.target_workbook(), book);
    // Every step runs again, on the window that is already loaded.
    EXPECT_EQ(recorder.log, (Log{"ActiveWorkbook", "Hide", "ActiveWorkbook", "Book2.Activate", "setmeup", "Show",
                                 "ZOrder", "SetFocus"}));
}

TEST_F(SearchTest, NoActiveWorkbookFailsAfterHidingWithTheHostsError) {
    auto app = std::make_shared<FakeApplication>(recorder, std::vector<std::shared_ptr<FakeWorkbook>>{});

    try {
        tarvex::search(app, session, window);
        FAIL() << "search succeeded without a workbook";
    } catch (const HostError& error) {
        EXPECT_EQ(static_cast<std::uint32_t>(error.hresult), 0x800A005Bu);
        EXPECT_EQ(error.number(), 91);
        EXPECT_EQ(error.description, u"Object variable or With block variable not set");
        EXPECT_EQ(error.source, u"ExcelTarvex");
    }
    // Loaded and hidden, never shown; the globals keep what the earlier steps stored.
    EXPECT_EQ(recorder.log, (Log{"ActiveWorkbook", "Hide", "ActiveWorkbook"}));
    EXPECT_EQ(session.application(), app);
    EXPECT_EQ(session.target_workbook(), nullptr);
}

TEST_F(SearchTest, AFailingStepEndsTheCallWithItsOwnError) {
    struct Case {
        std::string failing;
        Log expected;
    };
    const Case cases[] = {
        {"Hide", {"ActiveWorkbook", "Hide"}},
        {"Book1.Activate", {"ActiveWorkbook", "Hide", "ActiveWorkbook", "Book1.Activate"}},
        {"setmeup", {"ActiveWorkbook", "Hide", "ActiveWorkbook", "Book1.Activate", "setmeup"}},
        {"Show", {"ActiveWorkbook", "Hide", "ActiveWorkbook", "Book1.Activate", "setmeup", "Show"}},
        {"ZOrder", {"ActiveWorkbook", "Hide", "ActiveWorkbook", "Book1.Activate", "setmeup", "Show", "ZOrder"}},
        {"SetFocus",
         {"ActiveWorkbook", "Hide", "ActiveWorkbook", "Book1.Activate", "setmeup", "Show", "ZOrder", "SetFocus"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        session.release_host();
        recorder.log.clear();
        recorder.fail_at = c.failing;
        auto book = std::make_shared<FakeWorkbook>(recorder, "Book1");
        auto app = std::make_shared<FakeApplication>(recorder, std::vector{book});

        try {
            tarvex::search(app, session, window);
            ADD_FAILURE() << "search succeeded";
        } catch (const HostError& error) {
            EXPECT_EQ(error.hresult, refused);
            EXPECT_EQ(error.source, u"host");
        }
        EXPECT_EQ(recorder.log, c.expected);
        EXPECT_EQ(session.application(), app);
        EXPECT_EQ(session.target_workbook(), book);
    }
}

TEST_F(SearchTest, FailingFirstReadStoresTheApplicationOnly) {
    auto old_book = std::make_shared<FakeWorkbook>(recorder, "Old");
    auto old_app = std::make_shared<FakeApplication>(recorder, std::vector{old_book});
    session.attach(old_app);
    recorder.log.clear();
    recorder.fail_at = "ActiveWorkbook";
    auto app = std::make_shared<FakeApplication>(recorder, std::vector<std::shared_ptr<FakeWorkbook>>{});

    EXPECT_THROW(tarvex::search(app, session, window), HostError);

    EXPECT_EQ(recorder.log, (Log{"ActiveWorkbook"}));
    EXPECT_EQ(session.application(), app);
    EXPECT_EQ(session.target_workbook(), old_book);
}

TEST_F(SearchTest, NoApplicationIsATypeMismatchThatTouchesNothing) {
    auto book = std::make_shared<FakeWorkbook>(recorder, "Book1");
    auto app = std::make_shared<FakeApplication>(recorder, std::vector{book});
    session.attach(app);
    recorder.log.clear();

    try {
        tarvex::search(nullptr, session, window);
        FAIL() << "search accepted no application";
    } catch (const HostError& error) {
        EXPECT_EQ(error.number(), 13);
    }
    EXPECT_TRUE(recorder.log.empty());
    EXPECT_EQ(session.application(), app);
    EXPECT_EQ(session.target_workbook(), book);
}

}  // namespace
