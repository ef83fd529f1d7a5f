// Every host call of every command, failing in turn.
//
// Each command runs once to count its host calls, then once more for each call
// with that call failing: once (a passing fault) and from there on (a host that
// stays broken), as a host exception and as each way the host says it is busy.
// After every run the same invariants hold: nothing escaped the command, no cell
// changed that the command was not entitled to write and every changed cell
// holds exactly a text the command may write, the pointer is back to default,
// the status claims no clean success after a failed call, and a following Find
// without faults lists exactly the matching cells.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include "base/text.h"
#include "engine/command_texts.h"
#include "engine/search_session.h"
#include "support/fake_controls.h"
#include "support/standin_host.h"

using tarvex::MousePointer;
using tarvex::u16;
using tarvex::testing::FakeMainWindow;

namespace {

constexpr char workbook[] =
    "sheet Fruit\n"
    "A1|apple\n"
    "B1|pineapple juice\n"
    "A2|no match here\n"
    "C3|=\"apple\"&\"s\"|value=apples\n"
    "chart Graph\n"
    "sheet Empty\n"
    "sheet Veg\n"
    "A1|apple\n"
    "B2|Apple cider\n"
    "D4|crab apple\n";

constexpr char16_t search_text[] = u"apple";
constexpr char16_t replacement[] = u"pear";

// What text mode may leave in a listed cell: its formula text replaced, or (when
// the host rejects that formula) its value's text replaced. Replacing is
// case-sensitive, so "Apple cider" is left alone.
const std::map<std::u16string, std::set<std::u16string>> text_mode_results = {
    {u"Fruit!$A$1", {u"pear"}},
    {u"Fruit!$B$1", {u"pinepear juice"}},
    {u"Fruit!$C$3", {u"=\"pear\"&\"s\"", u"pears"}},
    {u"Veg!$A$1", {u"pear"}},
    {u"Veg!$B$2", {}},
    {u"Veg!$D$4", {u"crab pear"}},
};

enum class Command { find, replace_ticked, replace_all_text, replace_all_whole, go_to };

const char* name_of(Command c) {
    switch (c) {
        case Command::find:
            return "Find";
        case Command::replace_ticked:
            return "Replace (ticked rows)";
        case Command::replace_all_text:
            return "Replace All (text)";
        case Command::replace_all_whole:
            return "Replace All (entire cell)";
        case Command::go_to:
            return "Go to";
    }
    return "?";
}

struct Fault {
    const char* what;
    std::int32_t hresult;
};

const Fault faults[] = {
    {"host exception", standin::hr::application_defined},
    {"call rejected", standin::hr::call_rejected},
    {"retry later", standin::hr::retry_later},
    {"host busy", standin::hr::host_busy},
};

// A cell's key in Sheet::cells(): row << 16 | column.
standin::CellPos position(std::uint64_t key) {
    return {static_cast<std::int32_t>(key >> 16), static_cast<std::int32_t>(key & 0xFFFF)};
}

using Cells = std::map<std::u16string, std::u16string>;  // "Sheet!$A$1" -> formula text

Cells snapshot(const standin::Application& app) {
    Cells cells;
    for (const auto& sheet : app.active_workbook()->sheets()) {
        for (const auto& [key, cell] : sheet->cells()) {
            cells[sheet->name() + u"!" + standin::address(position(key))] = cell.formula_text();
        }
    }
    return cells;
}

std::u16string lower(std::u16string text) {
    for (char16_t& c : text) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return text;
}

using Listing = std::set<std::tuple<std::u16string, std::u16string, std::u16string>>;  // sheet, address, text

// The rows a Find must list: every worksheet cell inside A1:IV65536 whose
// formula text holds the search text, case ignored, with its displayed text.
Listing matching_cells(const standin::Application& app) {
    Listing rows;
    for (const auto& sheet : app.active_workbook()->worksheets()) {
        for (const auto& [key, cell] : sheet->cells()) {
            const standin::CellPos p = position(key);
            if (p.row <= 65536 && p.col <= 256 &&
                lower(cell.formula_text()).find(search_text) != std::u16string::npos) {
                rows.emplace(sheet->name(), standin::address(p), cell.display_text());
            }
        }
    }
    return rows;
}

Listing listed(const FakeMainWindow& window) {
    Listing rows;
    for (std::size_t i = 0; i < window.rows().size(); ++i) {
        const auto& r = window.rows().row(i);
        rows.emplace(r.sheet, r.address, r.content);
    }
    return rows;
}

bool is_clean_find_status(const std::u16string& status) {
    const std::u16string head = u"Done(";
    const std::u16string tail = u" matches)  ...";
    if (status.size() <= head.size() + tail.size() || status.compare(0, head.size(), head) != 0 ||
        status.compare(status.size() - tail.size(), tail.size(), tail) != 0) {
        return false;
    }
    const std::u16string number = status.substr(head.size(), status.size() - head.size() - tail.size());
    return number.find_first_not_of(u"0123456789") == std::u16string::npos;
}

struct Totals {
    int runs = 0;
    int failed_calls = 0;
    int checks = 0;
};

class Sweep {
public:
    explicit Sweep(Totals& totals) : totals_(totals) {}

    // One run of the command on a fresh workbook; `arm` sets the fault just
    // before the command starts. Returns the number of host calls it made.
    std::size_t run(Command command, const std::function<void(standin::Application&)>& arm) {
        auto app = std::make_shared<standin::Application>();
        tarvex::testing::add_book(*app, workbook);
        FakeMainWindow window;
        window.session.attach(tarvex::testing::make_standin_host(app));
        prepare(command, window);
        const Cells before = snapshot(*app);
        // The rows the command may write: the listed ones, or the ticked ones.
        std::set<std::u16string> entitled;
        for (std::size_t i = 0; i < window.rows().size(); ++i) {
            const auto& r = window.rows().row(i);
            if (command == Command::replace_ticked
                    ? r.ticked
                    : command == Command::replace_all_text || command == Command::replace_all_whole) {
                entitled.insert(r.sheet + u"!" + r.address);
            }
        }
        window.messages.shown.clear();
        app->clear_log();
        arm(*app);
        ++totals_.runs;
        try {
            perform(command, window);
        } catch (...) {
            ADD_FAILURE() << "a failure escaped the command";
        }
        const std::size_t calls = app->call_log().size();
        const int failed = app->calls_failed_from();
        totals_.failed_calls += failed;
        app->stop_failing_calls();

        // Cells: only entitled ones changed, each to a text the command may write.
        const Cells after = snapshot(*app);
        check(after.size() == before.size(), "cells were added or removed");
        for (const auto& [cell, formula] : after) {
            const auto was = before.find(cell);
            if (was == before.end() || was->second == formula) {
                continue;
            }
            check(entitled.count(cell) == 1, "a cell the command was not entitled to write changed: " + utf8(cell));
            if (command == Command::replace_all_whole) {
                check(formula == replacement, "entire-cell mode wrote " + utf8(formula) + " in " + utf8(cell));
            } else {
                const auto allowed = text_mode_results.find(cell);
                check(allowed != text_mode_results.end() && allowed->second.count(formula) == 1,
                      "text mode wrote " + utf8(formula) + " in " + utf8(cell));
            }
        }
        check(window.screen.current == MousePointer::standard, "the pointer was left as " + pointer(window));

        // A clean success is a complete one: every entitled cell written and the
        // list showing every match. Go to, which has no status, says in a message
        // when it failed.
        const std::u16string status = window.status_text();
        if (command == Command::go_to) {
            check(failed == 0 || !window.messages.shown.empty(), "Go to failed in silence");
        } else if (command == Command::find ? is_clean_find_status(status)
                                            : status == tarvex::command_texts::replace_done) {
            check(listed(window) == matching_cells(*app), "a clean " + utf8(status) + " over an incomplete list");
            for (const std::u16string& cell : entitled) {
                const auto allowed = text_mode_results.find(cell);
                const bool must_change = command == Command::replace_all_whole ||
                                         (allowed != text_mode_results.end() && !allowed->second.empty());
                check(!must_change || after.at(cell) != before.at(cell),
                      "a clean " + utf8(status) + " with " + utf8(cell) + " not written");
            }
        }

        // A following Find without faults lists exactly the matching cells.
        window.search.set_text(search_text);
        window.session.cmdFind_Click();
        check(listed(window) == matching_cells(*app), "the following Find did not list the matching cells");
        check(is_clean_find_status(window.status_text()),
              "the following Find ended with " + utf8(window.status_text()));
        return calls;
    }

    void describe(std::string what) { context_ = std::move(what); }

private:
    static void prepare(Command command, FakeMainWindow& window) {
        window.search.set_text(search_text);
        window.replace.set_text(replacement);
        if (command == Command::find) {
            return;
        }
        window.session.cmdFind_Click();
        if (command == Command::replace_ticked) {
            window.rows().set_ticked(0, true);
            window.rows().set_ticked(2, true);
            window.rows().set_ticked(4, true);
        }
        window.entire_cell.checked = command == Command::replace_all_whole ? 1 : 0;
        window.selected = 3;
    }

    static void perform(Command command, FakeMainWindow& window) {
        switch (command) {
            case Command::find:
                window.session.cmdFind_Click();
                break;
            case Command::replace_ticked:
                window.session.cmdReplace_Click();
                break;
            case Command::replace_all_text:
            case Command::replace_all_whole:
                window.session.cmdReplaceAll_Click();
                break;
            case Command::go_to:
                window.session.lvwMain_DblClick();
                break;
        }
    }

    void check(bool holds, const std::string& what) {
        ++totals_.checks;
        if (!holds) {
            ADD_FAILURE() << context_ << ": " << what;
        }
    }

    static std::string utf8(const std::u16string& text) { return tarvex::utf16_to_utf8(text); }
    static std::string pointer(const FakeMainWindow& window) {
        return window.screen.current == MousePointer::hourglass ? "hourglass" : "another pointer";
    }

    Totals& totals_;
    std::string context_;
};

TEST(FaultSweep, EveryHostCallOfEveryCommandFailingInTurn) {
    Totals totals;
    Sweep sweep(totals);
    for (const Command command : {Command::find, Command::replace_ticked, Command::replace_all_text,
                                  Command::replace_all_whole, Command::go_to}) {
        sweep.describe(std::string(name_of(command)) + " without faults");
        const std::size_t calls = sweep.run(command, [](standin::Application&) {});
        ASSERT_GT(calls, 0u) << name_of(command);
        std::printf("fault sweep: %s makes %zu host calls\n", name_of(command), calls);
        for (std::size_t nth = 1; nth <= calls; ++nth) {
            for (const Fault& fault : faults) {
                for (const bool persistent : {false, true}) {
                    sweep.describe(std::string(name_of(command)) + ", call " + std::to_string(nth) + " of " +
                                   std::to_string(calls) + ", " + fault.what +
                                   (persistent ? " from then on" : " once"));
                    sweep.run(command, [&](standin::Application& app) {
                        app.fail_calls_from(static_cast<int>(nth), persistent ? INT_MAX : 1, fault.hresult);
                    });
                }
            }
        }
    }
    std::printf("fault sweep: %d runs, %d host calls failed, %d invariants checked\n", totals.runs, totals.failed_calls,
                totals.checks);
}

}  // namespace
