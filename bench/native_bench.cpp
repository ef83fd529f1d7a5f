// Native benchmarks of what Find costs before any window or IDispatch call is
// involved: the stand-in host's own walk over the matches, the Find command
// through the core against the host ports, sorting the result list and the
// memory a full list holds.
//
// Extra option: --save-workbook=<path> writes the 100,000-match workbook in the
// stand-in's text format and exits.
#include <malloc.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "base/text.h"
#include "engine/command_texts.h"
#include "engine/search_session.h"
#include "support/fake_controls.h"
#include "support/standin_host.h"
#include "workbook_generator.h"

namespace {

using tarvex::bench::WorkbookShape;

constexpr char16_t word[] = u"needle";
constexpr std::int64_t list_size = 100000;

// One application per workbook size, generated once and shared by every
// benchmark: generating 300,000 cells is not what is measured.
std::shared_ptr<standin::Application> application_with(std::int64_t matches) {
    static std::map<std::int64_t, std::shared_ptr<standin::Application>> made;
    auto& app = made[matches];
    if (!app) {
        app = std::make_shared<standin::Application>();
        app->set_logging(false);
        WorkbookShape shape;
        shape.matches = static_cast<int>(matches);
        app->add_workbook(tarvex::bench::generate_workbook(shape));
    }
    return app;
}

// Walks every match of every worksheet the way a client does: one Find per
// match, each after the previous one, until the walk comes round to its first.
std::int64_t walk_all(standin::Application& app) {
    std::int64_t found_count = 0;
    const standin::Rect searched{{1, 1}, {65536, 256}};
    for (const auto& sheet : app.active_workbook()->worksheets()) {
        const auto first = app.find(*sheet, word, searched, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                    standin::Direction::next, false);
        auto at = first;
        while (at) {
            ++found_count;
            at = app.find(*sheet, word, searched, at, std::nullopt, std::nullopt, std::nullopt,
                          standin::Direction::next, false);
            if (at == first) {
                break;
            }
        }
    }
    return found_count;
}

void count_matches(benchmark::State& state, std::int64_t found_count) {
    const auto matches = state.range(0);
    if (found_count != matches) {
        state.SkipWithError("the walk did not find every match");
        return;
    }
    state.SetComplexityN(matches);
    state.SetItemsProcessed(state.iterations() * matches);
    state.counters["per_match"] = benchmark::Counter(
        static_cast<double>(matches), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The host side of a Find with the match index in place: per_match stays flat
// from 1,000 to 100,000 matches when a call costs O(log n).
void BM_StandinFindWalk(benchmark::State& state) {
    auto app = application_with(state.range(0));
    std::int64_t found_count = walk_all(*app);  // builds the match index
    for (auto _ : state) {
        found_count = walk_all(*app);
        benchmark::DoNotOptimize(found_count);
    }
    count_matches(state, found_count);
}
BENCHMARK(BM_StandinFindWalk)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The first walk after the sheets changed, as after a replace run: the match
// index is built again from every cell, once per sheet and search.
void BM_StandinFindWalkAfterChange(benchmark::State& state) {
    auto app = application_with(state.range(0));
    std::int64_t found_count = 0;
    for (auto _ : state) {
        state.PauseTiming();
        tarvex::bench::touch_every_sheet(*app->active_workbook());
        state.ResumeTiming();
        found_count = walk_all(*app);
        benchmark::DoNotOptimize(found_count);
    }
    count_matches(state, found_count);
}
BENCHMARK(BM_StandinFindWalkAfterChange)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The calls the Find command makes through the host ports, without the command:
// the floor BM_CmdFindClick is compared against.
void BM_HostPortCalls(benchmark::State& state) {
    auto app = application_with(state.range(0));
    auto host = tarvex::testing::make_standin_host(app);
    walk_all(*app);
    std::int64_t listed = 0;
    for (auto _ : state) {
        auto book = host->active_workbook();
        std::vector<std::pair<std::u16string, std::u16string>> cells;
        for (const auto& sheet : book->worksheets()) {
            auto within = sheet->range(u"A1", u"IV65536");
            auto held = within->find(word, nullptr, tarvex::FindOptions{});
            if (!held) {
                continue;
            }
            const std::u16string name = sheet->name();
            std::u16string first;
            for (;;) {
                std::u16string address = held->address();
                if (address == first) {
                    break;
                }
                if (first.empty()) {
                    first = address;
                }
                cells.emplace_back(name, std::move(address));
                held = within->find(word, held.get(), tarvex::FindOptions{});
            }
        }
        std::vector<std::u16string> texts;
        texts.reserve(cells.size());
        for (const auto& [name, address] : cells) {
            texts.push_back(book->sheet(name)->range(address)->text());
        }
        listed = static_cast<std::int64_t>(texts.size());
        benchmark::DoNotOptimize(texts.data());
    }
    count_matches(state, listed);
}
BENCHMARK(BM_HostPortCalls)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// cmdFind_Click through the core: the walk, the texts, the list and the status.
void BM_CmdFindClick(benchmark::State& state) {
    auto app = application_with(state.range(0));
    tarvex::testing::FakeMainWindow window;
    window.progress_.keep_reports = false;  // as the window, which shows a few a second
    window.session.attach(tarvex::testing::make_standin_host(app));
    window.search.set_text(word);
    window.session.cmdFind_Click();
    for (auto _ : state) {
        window.search.set_text(word);
        window.session.cmdFind_Click();
    }
    const std::u16string expected = u"Done(" + tarvex::decimal(state.range(0)) + u" matches)  ...";
    if (window.status_text() != expected) {
        state.SkipWithError("the status bar does not show the match count");
        return;
    }
    count_matches(state, static_cast<std::int64_t>(window.rows().size()));
}
BENCHMARK(BM_CmdFindClick)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// cmdReplaceAll_Click through the core on a fresh workbook each time: Tarvex's
// own cost per written cell, with the host's answers as cheap as they get (the
// bulk reads, the writes and the read-back, the undo record, the closing Find).
void BM_CmdReplaceAllClick(benchmark::State& state) {
    const auto matches = state.range(0);
    for (auto _ : state) {
        state.PauseTiming();
        auto app = std::make_shared<standin::Application>();
        app->set_logging(false);
        WorkbookShape shape;
        shape.matches = static_cast<int>(matches);
        app->add_workbook(tarvex::bench::generate_workbook(shape));
        tarvex::testing::FakeMainWindow window;
        window.progress_.keep_reports = false;
        window.session.attach(tarvex::testing::make_standin_host(app));
        window.search.set_text(word);
        window.replace.set_text(u"pin");
        window.session.cmdFind_Click();
        state.ResumeTiming();
        window.session.cmdReplaceAll_Click();
        state.PauseTiming();
        if (!tarvex::bench::matching_rows(*app->active_workbook(), word).empty()) {
            state.SkipWithError("Replace All left cells with the word");
        }
        state.ResumeTiming();
    }
    state.counters["us_per_cell"] =
        benchmark::Counter(static_cast<double>(matches) / 1e6,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CmdReplaceAllClick)->Arg(10000)->Unit(benchmark::kMillisecond);

// cmdFind_Click with the search text as a pattern: the used ranges read in
// blocks and matched in Tarvex, then the cell and its text per listed match.
void BM_CmdPatternFindClick(benchmark::State& state) {
    auto app = application_with(state.range(0));
    tarvex::testing::FakeMainWindow window;
    window.progress_.keep_reports = false;
    window.session.attach(tarvex::testing::make_standin_host(app));
    tarvex::SearchOptions options;
    options.regular_expression = true;
    window.session.set_options(options);
    for (auto _ : state) {
        window.search.set_text(word);
        window.session.cmdFind_Click();
    }
    count_matches(state, static_cast<std::int64_t>(window.rows().size()));
}
BENCHMARK(BM_CmdPatternFindClick)->Arg(100000)->Unit(benchmark::kMillisecond);

const std::vector<tarvex::ResultRow>& listed_rows() {
    static const std::vector<tarvex::ResultRow> rows =
        tarvex::bench::matching_rows(*application_with(list_size)->active_workbook(), word);
    return rows;
}

void fill(tarvex::ResultList& list) {
    list = tarvex::ResultList();
    list.append(listed_rows());
}

void sort_by_content(tarvex::ResultList& list, tarvex::SortOrder order) {
    list.set_sorted(true);
    list.set_sort_column(2);
    list.set_sort_order(order);
    benchmark::DoNotOptimize(&list.row(0));  // the list sorts when it is next looked at
}

// A click on the Content header of 100,000 rows listed in Find's order.
void BM_ResultListSortAscending(benchmark::State& state) {
    tarvex::ResultList list;
    for (auto _ : state) {
        state.PauseTiming();
        fill(list);
        state.ResumeTiming();
        sort_by_content(list, tarvex::SortOrder::ascending);
    }
    state.SetItemsProcessed(state.iterations() * list_size);
}
BENCHMARK(BM_ResultListSortAscending)->Unit(benchmark::kMillisecond);

// The second click on the same header: the rows stand sorted ascending.
void BM_ResultListSortDescending(benchmark::State& state) {
    tarvex::ResultList list;
    for (auto _ : state) {
        state.PauseTiming();
        fill(list);
        sort_by_content(list, tarvex::SortOrder::ascending);
        state.ResumeTiming();
        sort_by_content(list, tarvex::SortOrder::descending);
    }
    state.SetItemsProcessed(state.iterations() * list_size);
}
BENCHMARK(BM_ResultListSortDescending)->Unit(benchmark::kMillisecond);

std::size_t heap_in_use() {
    const struct mallinfo2 info = mallinfo2();
    // Large blocks are mapped on their own and counted apart from the arena.
    return info.uordblks + info.hblkhd;
}

constexpr double mebibyte = 1024.0 * 1024.0;

// What 100,000 listed rows hold: list_mb for the rows built into a result list,
// find_mb for what a Find that lists them leaves allocated (the host's match
// index already in place, so only the list is counted).
void BM_ResultListMemory(benchmark::State& state) {
    auto app = application_with(list_size);
    walk_all(*app);
    double list_mb = 0;
    double find_mb = 0;
    for (auto _ : state) {
        {
            const std::size_t before = heap_in_use();
            std::vector<tarvex::ResultRow> rows = tarvex::bench::matching_rows(*app->active_workbook(), word);
            tarvex::ResultList list;
            list.append(std::move(rows));
            list_mb = static_cast<double>(heap_in_use() - before) / mebibyte;
            benchmark::DoNotOptimize(list.size());
        }
        {
            tarvex::testing::FakeMainWindow window;
            window.session.attach(tarvex::testing::make_standin_host(app));
            window.search.set_text(word);
            const std::size_t before = heap_in_use();
            window.session.cmdFind_Click();
            find_mb = static_cast<double>(heap_in_use() - before) / mebibyte;
            if (window.rows().size() != static_cast<std::size_t>(list_size)) {
                state.SkipWithError("the Find did not list every match");
                return;
            }
        }
    }
    state.counters["list_mb"] = list_mb;
    state.counters["find_mb"] = find_mb;
    state.counters["rows"] = static_cast<double>(list_size);
}
BENCHMARK(BM_ResultListMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// A progress port that samples the heap while a command runs, for its peak.
class HeapSampler final : public tarvex::CommandProgress {
public:
    void start() override {}
    Checkpoint checkpoint() override {
        if (++asked_ % 256 == 0) {
            peak = std::max(peak, heap_in_use());
        }
        return {};
    }
    void report(const std::u16string&) override {}
    std::size_t peak = 0;

private:
    std::size_t asked_ = 0;
};

// The peak of a pattern Find over a worksheet whose used range holds 1,000,000
// filled cells, above what the workbook itself holds: the used range is read in
// blocks of at most 65,536 cells, so the peak stays far below reading it whole.
void BM_PatternFindBulkReadPeak(benchmark::State& state) {
    auto app = std::make_shared<standin::Application>();
    app->set_logging(false);
    auto book = std::make_unique<standin::Workbook>(u"Million.wb");
    standin::Sheet& sheet = book->add_sheet(u"Grid");
    for (std::int32_t row = 1; row <= 4000; ++row) {
        for (std::int32_t col = 1; col <= 250; ++col) {
            sheet.write_value(standin::CellPos{row, col}, u"cell " + tarvex::decimal(row * 1000 + col));
        }
    }
    app->add_workbook(std::move(book));
    double peak_mb = 0;
    for (auto _ : state) {
        tarvex::testing::FakeMainWindow window;
        HeapSampler sampler;
        window.session.attach(tarvex::testing::make_standin_host(app));
        tarvex::SearchOptions options;
        options.regular_expression = true;
        window.session.set_options(options);
        window.search.set_text(u"^cell 4000250$");
        window.use_progress(sampler);
        const std::size_t before = heap_in_use();
        sampler.peak = before;
        window.session.cmdFind_Click();
        peak_mb = static_cast<double>(sampler.peak - before) / mebibyte;
        if (window.rows().size() != 1) {
            state.SkipWithError("the pattern Find did not list its one cell");
            return;
        }
    }
    state.counters["cells"] = 1000000;
    state.counters["peak_mb"] = peak_mb;
}
BENCHMARK(BM_PatternFindBulkReadPeak)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    constexpr char save_option[] = "--save-workbook=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], save_option, sizeof(save_option) - 1) == 0) {
            const std::string path = argv[i] + sizeof(save_option) - 1;
            tarvex::bench::save_workbook(*application_with(list_size)->active_workbook(), path);
            std::printf("wrote %s\n", path.c_str());
            return 0;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
