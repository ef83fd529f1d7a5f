// Timed runs of the real Tarvex.dll against the stand-in host, in one process.
// Each case sets Tarvex against a bare client that makes the same host calls
// through IDispatch with nothing in between, so the ratio is Tarvex's own share
// of the time and holds however fast or slow the host answers.
//
// Prints one line per case, each ending with the bitness of the build (bits=32|64):
//   find M=<m> tarvex_ms=<t> host_ms=<h> ratio=<t/h>
//   replace_all M=<m> tarvex_ms=<t> host_ms=<h> ratio=<t/h> closing_find_ms=<c>
//   priced_find M=<m> call_us=<c> cell_us=<x> tarvex_ms=<t> five_call_ms=<f> ratio=<t/f>
//       three_call_ms=<h> overhead_ms=<t-h> list_control_ms=<l> budget_ms=<b>
//   priced_replace_all M=<m> call_us=<c> cell_us=<x> tarvex_ms=<t> host_ms=<h> ratio=<t/h>
//       overhead_ms=<t-h> budget_ms=<b>
//   stop M=<m> call_us=20 after_esc_ms=<t> listed_when_stopped=<n>
//   sort M=<m> ms=<t> click=<ascending|descending> model_ms=<t>
//   memory M=<m> list_mb=<x>
//   pattern_find M=<m> call_us=<c> tarvex_ms=<t> five_call_ms=<f> ratio=<t/f> calls_per_match=<n>
//   pattern_replace_all|replace_all_calls M=<m> call_us=<c> tarvex_ms=<t> five_call_ms=<f> ratio=<t/f>
//       calls_per_cell=<n> us_per_cell=<t/m>
//   undo_replace M=<m> call_us=<c> tarvex_ms=<t> five_call_ms=<f> ratio=<t/f> calls_per_cell=<n>
//       closing_find_calls_per_cell=<n>
//   bulk_read M=<m> cells=<n> formulas_ms=<f> values_ms=<v> us_per_cell=<(f+v)/2n>
//   pair_list P=<pairs> M=<m> call_us=<c> listed=<rows> list_ms=<l> replace_ms=<r> tarvex_ms=<l+r>
//       five_call_ms=<f> ratio=<t/f>
// Options: --dll=<path of Tarvex.dll> (default: one folder up from this program),
// --runs=<n> (best of n, default 5), --samples (every run's figure, on stderr),
// --case=<name> (only the cases of that name: memory, find, replace_all,
// priced_find, priced_replace_all, replace_undo, pattern, pair_list, bulk_read, stop,
// sort; may be repeated), --priced-at=<us> (the priced cases at that cost per call
// only: 0 or 20).
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/owners_win.h"
#include "base/platform_win.h"
#include "com/object_model_win.h"
#include "engine/result_list.h"
#include "model/model.h"
#include "support/dispatch_client_win.h"
#include "support/window_driver_win.h"
#include "ui/controls/clipboard_win.h"
#include "ui/controls/sort_key_win.h"
#include "engine/list_commands.h"
#include "ui/main/main_design.h"
#include "ui/main/options_menu.h"
#include "workbook_generator.h"

namespace {

using Microsoft::WRL::ComPtr;
namespace design = tarvex::main_design;
namespace test = tarvex::test;
using test::Arg;
using test::pump;

constexpr char16_t search_word[] = u"needle";
constexpr char16_t replacement_word[] = u"pin";
// A word no generated cell contains in any letter case.
constexpr char16_t absent_word[] = u"zqxjv";

// A benchmark that cannot measure what it claims ends the program with a message.
struct BenchFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void check(bool holds, const std::string& what) {
    if (!holds) {
        throw BenchFailure(what);
    }
}

void check_hr(HRESULT hr, const char* what) {
    if (FAILED(hr)) {
        throw BenchFailure(std::string(what) + " failed: " + test::hex(hr));
    }
}

// --- Time and memory ------------------------------------------------------

double milliseconds_since(const LARGE_INTEGER& start) {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double time_ms(const std::function<void()>& body) {
    LARGE_INTEGER start;
    ::QueryPerformanceCounter(&start);
    body();
    return milliseconds_since(start);
}

double private_mb() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    check(::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                 sizeof(counters)) != FALSE,
          "GetProcessMemoryInfo failed");
    // Windows counts a process's private bytes as its commit charge and reports it
    // in both fields; Wine fills only PagefileUsage (the process's anonymous memory).
    const SIZE_T bytes = counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// Every run's figure of one measurement. The best is the run least disturbed by
// whatever else the machine did; all of them show whether a case is slow or only
// noisy.
class Samples {
public:
    void take(double sample) { values_.push_back(sample); }
    double best() const {
        return values_.empty() ? std::numeric_limits<double>::quiet_NaN()
                               : *std::min_element(values_.begin(), values_.end());
    }
    std::string list() const {
        std::string text;
        for (double value : values_) {
            char number[32];
            std::snprintf(number, sizeof(number), "%s%.1f", text.empty() ? "" : " ", value);
            text += number;
        }
        return text;
    }

private:
    std::vector<double> values_;
};

// --- The bare host client ---------------------------------------------------

// What a result holds, borrowed from it: the object, the text or the number.
IDispatch* object_in(const VARIANT& value) noexcept {
    return value.vt == VT_DISPATCH ? value.pdispVal : nullptr;
}
const wchar_t* text_in(const VARIANT& value) noexcept {
    return value.vt == VT_BSTR && value.bstrVal != nullptr ? value.bstrVal : L"";
}
LONG integer_in(const VARIANT& value) noexcept {
    return value.vt == VT_I4 ? value.lVal : 0;
}

// The host's DISPIDs, looked up once: the bare client pays for no name lookups.
struct HostNames {
    DISPID active_workbook, worksheets, sheets, count, item, name, range, find, address, text, formula, value;
};

DISPID dispid_of(IDispatch* object, const char16_t* name) {
    DISPID id = DISPID_UNKNOWN;
    check_hr(test::dispid_of(object, name, &id), "GetIDsOfNames");
    return id;
}

// One host call through the test client, which copies no argument and
// allocates nothing of its own for a call this size.
test::Variant call_host(IDispatch* object, DISPID id, WORD flags, test::Args args = {}, const Arg* put = nullptr) {
    check(object != nullptr, "a host call on Nothing");
    test::CallResult result = test::invoke(object, id, flags, args, put);
    check_hr(result.hr, "a host call");
    return std::move(result.value);
}

test::Variant get(IDispatch* object, DISPID id, test::Args args = {}) {
    return call_host(object, id, DISPATCH_PROPERTYGET, args);
}

HostNames resolve_names(IDispatch* application) {
    HostNames n{};
    n.active_workbook = dispid_of(application, u"ActiveWorkbook");
    const test::Variant book = get(application, n.active_workbook);
    n.worksheets = dispid_of(object_in(book.get()), u"Worksheets");
    n.sheets = dispid_of(object_in(book.get()), u"Sheets");
    const test::Variant sheets = get(object_in(book.get()), n.worksheets);
    n.count = dispid_of(object_in(sheets.get()), u"Count");
    n.item = dispid_of(object_in(sheets.get()), u"Item");
    const test::Variant sheet = get(object_in(sheets.get()), n.item, Arg(1));
    n.name = dispid_of(object_in(sheet.get()), u"Name");
    n.range = dispid_of(object_in(sheet.get()), u"Range");
    const test::Variant range = get(object_in(sheet.get()), n.range, Arg(u"A1"));
    n.find = dispid_of(object_in(range.get()), u"Find");
    n.address = dispid_of(object_in(range.get()), u"Address");
    n.text = dispid_of(object_in(range.get()), u"Text");
    n.formula = dispid_of(object_in(range.get()), u"Formula");
    n.value = dispid_of(object_in(range.get()), u"Value");
    return n;
}

// Each match's address is kept as the argument Range takes, as the host gave it.
struct BareCell {
    std::size_t sheet;
    Arg address;
};

struct BareListing {
    std::vector<Arg> sheet_names;
    std::vector<BareCell> cells;
    std::vector<test::Variant> texts;
};

// How a bare walk gets each match's displayed text.
enum class TextLookup {
    // Sheets, Item(name), Range(address), Text after the walk: six calls per match.
    sheets_then_item,
    // Sheets(name) as one call, Range(address), Text after the walk: five calls per
    // match, the walk a macro writes and the one Tarvex made before it read texts
    // from the cells it found.
    sheets_by_name,
    // Text of the cell the walk just found: three calls per match, Tarvex's own.
    found_cell,
};

class BareHost {
public:
    explicit BareHost(IDispatch* application)
        : application_(application), names_(resolve_names(application)), corners_{Arg(u"A1"), Arg(u"IV65536")} {}

    // The calls of a Find that lists every match with its displayed text: the
    // worksheets, on each the searched range, the Find walk with its nine
    // arguments and the address of every match; then per match the sheet by
    // name, the cell by address and its text.
    BareListing find(const char16_t* what, TextLookup lookup = TextLookup::sheets_then_item) {
        BareListing listing;
        const test::Variant book = get(application_, names_.active_workbook);
        const test::Variant sheets = get(object_in(book.get()), names_.worksheets);
        const LONG count = integer_in(get(object_in(sheets.get()), names_.count).get());
        // What, After, LookIn, LookAt, SearchOrder, SearchDirection, MatchCase,
        // MatchByte, SearchFormat; After changes to each match in turn.
        std::vector<Arg> arguments{Arg(what), Arg::omitted(), Arg::omitted(), Arg::omitted(), Arg::omitted(),
                                   Arg(1),    Arg(false),     Arg::omitted(), Arg::omitted()};
        for (LONG index = 1; index <= count; ++index) {
            const test::Variant sheet = get(object_in(sheets.get()), names_.item, Arg(static_cast<int>(index)));
            const test::Variant within = get(object_in(sheet.get()), names_.range, corners_);
            arguments[1] = Arg::omitted();
            test::Variant held = call_host(object_in(within.get()), names_.find, DISPATCH_METHOD, arguments);
            if (object_in(held.get()) == nullptr) {
                continue;
            }
            listing.sheet_names.emplace_back(get(object_in(sheet.get()), names_.name));
            walk(listing, object_in(within.get()), arguments, std::move(held), lookup);
        }
        if (lookup == TextLookup::found_cell) {
            return listing;
        }
        listing.texts.reserve(listing.cells.size());
        for (const BareCell& c : listing.cells) {
            const test::Variant cell =
                lookup == TextLookup::sheets_by_name
                    ? cell_by_name(object_in(book.get()), listing.sheet_names[c.sheet], c.address)
                    : cell_of(object_in(book.get()), listing.sheet_names[c.sheet], c.address);
            listing.texts.push_back(get(object_in(cell.get()), names_.text));
        }
        return listing;
    }

    // The calls of a text-mode Replace All over listed cells: per cell the sheet
    // by name, the cell by address, its formula, and the replaced text written
    // as its value.
    void replace(const BareListing& listing, const char16_t* what, const char16_t* replacement) {
        const test::Variant book = get(application_, names_.active_workbook);
        const std::u16string find(what);
        const std::u16string by(replacement);
        for (const BareCell& c : listing.cells) {
            const test::Variant cell = cell_of(object_in(book.get()), listing.sheet_names[c.sheet], c.address);
            std::u16string text = tarvex::from_wide(text_in(get(object_in(cell.get()), names_.formula).get()));
            bool changed = false;
            for (std::size_t at = text.find(find); at != std::u16string::npos; at = text.find(find, at)) {
                text.replace(at, find.size(), by);
                at += by.size();
                changed = true;
            }
            if (changed) {
                const Arg written(text);
                call_host(object_in(cell.get()), names_.value, DISPATCH_PROPERTYPUT, {}, &written);
            }
        }
    }

private:
    // The rest of one sheet's walk, from its first match `held` until Find comes
    // back to it.
    void walk(BareListing& listing, IDispatch* within, std::vector<Arg>& arguments, test::Variant held,
              TextLookup lookup) {
        const std::size_t first = listing.cells.size();
        while (object_in(held.get()) != nullptr) {
            test::Variant address = get(object_in(held.get()), names_.address);
            if (listing.cells.size() > first &&
                std::wcscmp(text_in(address.get()), text_in(listing.cells[first].address.get())) == 0) {
                break;
            }
            listing.cells.push_back({listing.sheet_names.size() - 1, Arg(std::move(address))});
            if (lookup == TextLookup::found_cell) {
                listing.texts.push_back(get(object_in(held.get()), names_.text));
            }
            arguments[1] = Arg(object_in(held.get()));
            held = call_host(within, names_.find, DISPATCH_METHOD, arguments);
        }
    }

    test::Variant cell_of(IDispatch* book, const Arg& sheet_name, const Arg& address) {
        const test::Variant sheets = get(book, names_.sheets);
        const test::Variant sheet = get(object_in(sheets.get()), names_.item, sheet_name);
        return get(object_in(sheet.get()), names_.range, address);
    }

    // Sheets(name) in one call, which the host forwards to the collection's Item.
    test::Variant cell_by_name(IDispatch* book, const Arg& sheet_name, const Arg& address) {
        const test::Variant sheet = get(book, names_.sheets, sheet_name);
        return get(object_in(sheet.get()), names_.range, address);
    }

    IDispatch* application_;
    HostNames names_;
    std::vector<Arg> corners_;
};

// --- The Tarvex window ------------------------------------------------------

// Tarvex opened on the bench's host as a macro opens it, through the test
// support's driver, and closed when the bench ends.
class TarvexWindow {
public:
    explicit TarvexWindow(IDispatch* application) : morvane_(test::create_morvane()) {
        check(morvane_ != nullptr, "Tarvex.dll could not be loaded or made no Morvane object");
        check_hr(test::search(morvane_.Get(), application), "Search");
        pump(300);
        check(test::main_window() != nullptr, "Search showed no Tarvex window");
    }
    ~TarvexWindow() {
        test::close_tarvex_window();
        morvane_.Reset();
    }
    TarvexWindow(const TarvexWindow&) = delete;
    TarvexWindow& operator=(const TarvexWindow&) = delete;

    // Clicks Find for `what`; returns the time the click took.
    double find_ms(const char16_t* what) const {
        test::type_into(design::cmbSearchFor, what);
        return time_ms([] { test::press(design::cmdFind); });
    }

    // A click on a column header, timed until the list has painted.
    double header_click_ms(const char16_t* caption) const {
        const int column = test::header_column(caption);
        check(column >= 0, "no such column header");
        return time_ms([column] { test::press_header(column); });
    }

private:
    // The DLL itself stays loaded while the process runs, as in a host, so no
    // window of it can outlive its code.
    ComPtr<IDispatch> morvane_;
};

std::u16string found_status(int matches) {
    return u"Done(" + tarvex::from_wide(std::to_wstring(matches)) + u" matches)  ...";
}

// --- The cases --------------------------------------------------------------

struct Bench {
    std::shared_ptr<standin::Application> app;
    ComPtr<IDispatch> application;
    int runs = 5;
    bool show_samples = false;
    std::vector<std::string> cases;  // empty: every case
    double priced_at = -1;           // the priced cases at this cost per call only

    bool wants(const char* name) const {
        return cases.empty() || std::find(cases.begin(), cases.end(), name) != cases.end();
    }

    // With --samples, every run's figure goes to the error stream under the case's line.
    void samples(const char* name, const Samples& samples) const {
        if (show_samples) {
            std::fprintf(stderr, "  %s: %s\n", name, samples.list().c_str());
        }
    }

    // Replaces the open workbook by a freshly generated one of `matches` matches.
    std::shared_ptr<standin::Workbook> open(int matches) {
        while (!app->workbooks().empty()) {
            app->close(app->workbooks().front());
        }
        tarvex::bench::WorkbookShape shape;
        shape.matches = matches;
        return app->add_workbook(tarvex::bench::generate_workbook(shape));
    }
};

// Every figure says which build measured it: the 32-bit and the 64-bit DLL
// are different programs, and a figure read without its bitness misleads.
void line(const char* format, ...) __attribute__((format(printf, 1, 2)));
void line(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stdout, format, arguments);
    va_end(arguments);
    std::fprintf(stdout, " bits=%d\n", static_cast<int>(sizeof(void*) * 8));
    std::fflush(stdout);
}

void memory_case(Bench& b, TarvexWindow& window, int matches) {
    auto book = b.open(matches);
    // The host's match index and Tarvex's first-use allocations are in place
    // before the first reading, so the difference is the listed rows alone.
    const standin::Rect searched{{1, 1}, {65536, 256}};
    for (const auto& sheet : book->worksheets()) {
        sheet->find(search_word, searched, std::nullopt, standin::FindOptions{});
    }
    window.find_ms(absent_word);
    pump(300);
    check(test::listed_count() == 0, "the Find for an absent word listed rows");
    const double none = private_mb();
    window.find_ms(search_word);
    pump(300);
    check(test::listed_count() == matches, "the Find did not list every match");
    const double listed = private_mb();
    line("memory M=%d list_mb=%.1f", matches, listed - none);
}

void find_case(Bench& b, TarvexWindow& window, BareHost& bare, int matches) {
    b.open(matches);
    Samples tarvex_ms;
    Samples host_ms;
    // One round more than counted: the first builds the host's match index.
    for (int run = 0; run <= b.runs; ++run) {
        const double t = window.find_ms(search_word);
        check(test::status_text() == found_status(matches), "the status bar does not show the match count");
        pump(50);
        BareListing listing;
        const double h = time_ms([&] { listing = bare.find(search_word); });
        check(static_cast<int>(listing.texts.size()) == matches, "the bare walk did not find every match");
        if (run > 0) {
            tarvex_ms.take(t);
            host_ms.take(h);
        }
    }
    line("find M=%d tarvex_ms=%.1f host_ms=%.1f ratio=%.2f", matches, tarvex_ms.best(), host_ms.best(),
         tarvex_ms.best() / host_ms.best());
    b.samples("tarvex_ms", tarvex_ms);
    b.samples("host_ms", host_ms);
}

struct ReplaceAllFigures {
    double tarvex_ms;   // the click without its closing Find
    double host_ms;     // the bare client's calls for the same cells
    double closing_ms;  // the closing Find, which lists nothing
    Samples clicks, closings, hosts;
};

ReplaceAllFigures measure_replace_all(Bench& b, TarvexWindow& window, BareHost& bare, int matches, int runs) {
    ReplaceAllFigures f{};
    for (int run = 0; run < runs; ++run) {
        auto book = b.open(matches);
        window.find_ms(search_word);
        check(test::listed_count() == matches, "the Find before Replace All did not list every match");
        pump(50);
        test::type_into(design::cmbReplace, replacement_word);
        test::set_ticked(design::chkEntireCellContent, false);
        const double replace = time_ms([] { test::press(design::cmdReplaceAll); });
        check(test::listed_count() == 0, "Replace All left matches behind");
        check(tarvex::bench::matching_rows(*book, search_word).empty(), "Replace All left cells with the word");
        pump(50);
        // The closing Find of the click met every sheet changed: so does this one.
        tarvex::bench::touch_every_sheet(*book);
        const double closing = window.find_ms(search_word);
        check(test::status_text().rfind(found_status(0), 0) == 0, "the closing Find found something");
        pump(50);

        book = b.open(matches);
        const BareListing listing = bare.find(search_word);
        check(static_cast<int>(listing.cells.size()) == matches, "the bare walk did not find every match");
        const double h = time_ms([&] { bare.replace(listing, search_word, replacement_word); });
        check(tarvex::bench::matching_rows(*book, search_word).empty(), "the bare replace left cells with the word");

        f.clicks.take(replace);
        f.closings.take(closing);
        f.hosts.take(h);
    }
    // The click ends with a Find that lists nothing; without it the click is the
    // replacing alone, which the bare calls stand against.
    f.closing_ms = f.closings.best();
    f.tarvex_ms = f.clicks.best() - f.closing_ms;
    f.host_ms = f.hosts.best();
    return f;
}

void replace_all_case(Bench& b, TarvexWindow& window, BareHost& bare, int matches) {
    const ReplaceAllFigures f = measure_replace_all(b, window, bare, matches, b.runs);
    line("replace_all M=%d tarvex_ms=%.1f host_ms=%.1f ratio=%.2f closing_find_ms=%.1f", matches, f.tarvex_ms,
         f.host_ms, f.tarvex_ms / f.host_ms, f.closing_ms);
    b.samples("click_ms", f.clicks);
    b.samples("closing_find_ms", f.closings);
    b.samples("host_ms", f.hosts);
}

// --- A host that charges for its answers ------------------------------------

struct HostCosts {
    double call_us;
    double cell_us;  // per filled cell Range.Find passes over
};

// The stand-in charges these costs while the scope lasts; every other case
// meets a free host.
class PricedHost {
public:
    PricedHost(standin::Application& app, HostCosts costs) : app_(app) {
        const auto ns = [](double us) { return std::chrono::nanoseconds(static_cast<std::int64_t>(us * 1000.0)); };
        app_.set_costs(ns(costs.call_us), ns(costs.cell_us));
    }
    ~PricedHost() { app_.set_costs(std::chrono::nanoseconds(0), std::chrono::nanoseconds(0)); }
    PricedHost(const PricedHost&) = delete;
    PricedHost& operator=(const PricedHost&) = delete;

private:
    standin::Application& app_;
};

// What Tarvex's own work may add to a command: a fixed part and a part per match.
constexpr double overhead_budget_fixed_ms = 10.0;
constexpr double overhead_budget_per_match_us = 0.5;

double overhead_budget_ms(int matches) {
    return overhead_budget_fixed_ms + overhead_budget_per_match_us * matches / 1000.0;
}

// Find against two bare walks under the same prices: the five calls per match of
// the walk that looks each cell up again (ratio), and the three calls per match
// Tarvex makes itself (overhead: what Tarvex adds to the host's own work).
void priced_find_case(Bench& b, TarvexWindow& window, BareHost& bare, int matches, HostCosts costs, int runs) {
    b.open(matches);
    // Built once, free: the host's match index, as a host that has searched before.
    window.find_ms(search_word);
    check(test::listed_count() == matches, "the Find did not list every match");
    const PricedHost priced(*b.app, costs);
    Samples tarvex_ms;
    Samples five_ms;
    Samples three_ms;
    for (int run = 0; run < runs; ++run) {
        tarvex_ms.take(window.find_ms(search_word));
        check(test::status_text() == found_status(matches), "the status bar does not show the match count");
        pump(50);
        BareListing five;
        five_ms.take(time_ms([&] { five = bare.find(search_word, TextLookup::sheets_by_name); }));
        check(static_cast<int>(five.texts.size()) == matches, "the five-call walk did not find every match");
        BareListing three;
        three_ms.take(time_ms([&] { three = bare.find(search_word, TextLookup::found_cell); }));
        check(static_cast<int>(three.texts.size()) == matches, "the three-call walk did not find every match");
    }
    // Part of what Find adds is the platform's own: telling the list control its
    // new row count, which Wine's control answers by redrawing its scroll bar.
    // Timed alone, the same call with the same count, so the line can show it.
    Samples list_ms;
    const HWND list = test::control(design::lvwMain);
    for (int run = 0; run < runs; ++run) {
        list_ms.take(time_ms([&] { ListView_SetItemCountEx(list, matches, 0); }));
        pump(50);
    }
    const double overhead = tarvex_ms.best() - three_ms.best();
    line(
        "priced_find M=%d call_us=%.0f cell_us=%.2f tarvex_ms=%.1f five_call_ms=%.1f ratio=%.2f three_call_ms=%.1f "
        "overhead_ms=%.1f list_control_ms=%.1f budget_ms=%.1f",
        matches, costs.call_us, costs.cell_us, tarvex_ms.best(), five_ms.best(), tarvex_ms.best() / five_ms.best(),
        three_ms.best(), overhead, list_ms.best(), overhead_budget_ms(matches));
    b.samples("tarvex_ms", tarvex_ms);
    b.samples("five_call_ms", five_ms);
    b.samples("three_call_ms", three_ms);
}

// Replace All against the bare client's calls for the same cells, which are the
// same calls: the difference is Tarvex's own work.
void priced_replace_all_case(Bench& b, TarvexWindow& window, BareHost& bare, int matches, HostCosts costs, int runs) {
    const PricedHost priced(*b.app, costs);
    const ReplaceAllFigures f = measure_replace_all(b, window, bare, matches, runs);
    line(
        "priced_replace_all M=%d call_us=%.0f cell_us=%.2f tarvex_ms=%.1f host_ms=%.1f ratio=%.2f "
        "overhead_ms=%.1f budget_ms=%.1f",
        matches, costs.call_us, costs.cell_us, f.tarvex_ms, f.host_ms, f.tarvex_ms / f.host_ms, f.tarvex_ms - f.host_ms,
        overhead_budget_ms(matches));
    b.samples("click_ms", f.clicks);
    b.samples("closing_find_ms", f.closings);
    b.samples("host_ms", f.hosts);
}

// The result list alone, sorted with the locale's sort keys as the window sorts it.
struct ModelSort {
    double ascending_ms;
    double descending_ms;
    std::u16string first_ascending;
    std::u16string first_descending;
};

ModelSort sort_model(const std::vector<tarvex::ResultRow>& rows) {
    tarvex::ResultList list(tarvex::locale_sort_key);
    list.append(rows);
    ModelSort result{};
    result.ascending_ms = time_ms([&] {
        list.set_sorted(true);
        list.set_sort_column(2);
        list.set_sort_order(tarvex::SortOrder::ascending);
        result.first_ascending = list.row(0).content;
    });
    result.descending_ms = time_ms([&] {
        list.set_sort_order(tarvex::SortOrder::descending);
        result.first_descending = list.row(0).content;
    });
    return result;
}

void sort_case(Bench& b, TarvexWindow& window, int matches) {
    auto book = b.open(matches);
    window.find_ms(search_word);
    check(test::listed_count() == matches, "the Find did not list every match");
    pump(300);
    const std::vector<tarvex::ResultRow> rows = tarvex::bench::matching_rows(*book, search_word);
    Samples ascending_ms;
    Samples descending_ms;
    Samples model_ascending_ms;
    Samples model_descending_ms;
    for (int run = 0; run < b.runs; ++run) {
        // Sorted by another column first, so that Content starts ascending.
        window.header_click_ms(u"Cell");
        pump(100);
        const ModelSort model = sort_model(rows);
        model_ascending_ms.take(model.ascending_ms);
        model_descending_ms.take(model.descending_ms);

        ascending_ms.take(window.header_click_ms(u"Content"));
        check(test::listed_text(0, 2) == model.first_ascending,
              "the list does not start with the first content in ascending order");
        pump(100);
        descending_ms.take(window.header_click_ms(u"Content"));
        check(test::listed_text(0, 2) == model.first_descending,
              "the list does not start with the last content in ascending order");
        pump(100);
    }
    line("sort M=%d ms=%.1f click=ascending model_ms=%.1f", matches, ascending_ms.best(), model_ascending_ms.best());
    b.samples("ms", ascending_ms);
    b.samples("model_ms", model_ascending_ms);
    line("sort M=%d ms=%.1f click=descending model_ms=%.1f", matches, descending_ms.best(), model_descending_ms.best());
    b.samples("ms", descending_ms);
    b.samples("model_ms", model_descending_ms);
}

// How long a Find takes to stop after Esc, in a host answering at 20 us a call:
// Esc is posted to the list from another thread while the Find runs, as the
// keyboard would queue it, and the time runs from then to the click's return.
void stop_case(Bench& b, TarvexWindow& window, int matches, int runs) {
    b.open(matches);
    window.find_ms(search_word);  // the host's match index, built free
    const PricedHost priced(*b.app, HostCosts{20, 0.05});
    Samples after_esc_ms;
    int listed = 0;
    const HWND list = test::control(design::lvwMain);
    for (int run = 0; run < runs; ++run) {
        LARGE_INTEGER pressed{};
        std::atomic<bool> done{false};
        std::thread esc([&] {
            ::Sleep(300);
            ::QueryPerformanceCounter(&pressed);
            ::PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 1);
            done = true;
        });
        window.find_ms(search_word);
        LARGE_INTEGER returned;
        ::QueryPerformanceCounter(&returned);
        esc.join();
        check(done && test::status_text().rfind(u"Stopped (", 0) == 0, "Esc did not stop the Find");
        after_esc_ms.take(milliseconds_since(pressed) - milliseconds_since(returned));
        listed = test::listed_count();
        pump(100);
    }
    line("stop M=%d call_us=20 after_esc_ms=%.1f listed_when_stopped=%d", matches, after_esc_ms.best(), listed);
    b.samples("after_esc_ms", after_esc_ms);
}

// --- Search options, lists of pairs, undo --------------------------------------

// The default options, with or without regular expressions, while the scope
// lasts; the defaults after.
class Options {
public:
    explicit Options(bool pattern) {
        test::send_command(tarvex::options_menu::Item::reset);
        if (pattern) {
            test::send_command(tarvex::options_menu::Item::regular_expression);
        }
    }
    ~Options() { test::send_command(tarvex::options_menu::Item::reset); }
    Options(const Options&) = delete;
    Options& operator=(const Options&) = delete;
};

// The host calls `body` makes, counted in an unpriced run with the log on.
std::size_t host_calls(standin::Application& app, const std::function<void()>& body) {
    app.clear_log();
    app.set_logging(true);
    body();
    app.set_logging(false);
    const std::size_t calls = app.call_log().size();
    app.clear_log();
    return calls;
}

// A pattern Find against the five-call walk under the same prices, with the
// host calls per listed match: the pattern is matched in Tarvex over cells read
// in blocks, so the calls per match are the cell and its text.
void pattern_find_case(Bench& b, TarvexWindow& window, BareHost& bare, int matches, HostCosts costs, int runs) {
    b.open(matches);
    const Options options(true);
    const std::size_t calls = host_calls(*b.app, [&] { window.find_ms(search_word); });
    check(test::listed_count() == matches, "the pattern Find did not list every match");
    const PricedHost priced(*b.app, costs);
    Samples tarvex_ms;
    Samples five_ms;
    for (int run = 0; run < runs; ++run) {
        tarvex_ms.take(window.find_ms(search_word));
        check(test::status_text() == found_status(matches) + u"  regular expression",
              "the status bar does not show the match count");
        pump(50);
        BareListing five;
        five_ms.take(time_ms([&] { five = bare.find(search_word, TextLookup::sheets_by_name); }));
        check(static_cast<int>(five.texts.size()) == matches, "the five-call walk did not find every match");
    }
    line("pattern_find M=%d call_us=%.0f tarvex_ms=%.1f five_call_ms=%.1f ratio=%.2f calls_per_match=%.2f", matches,
         costs.call_us, tarvex_ms.best(), five_ms.best(), tarvex_ms.best() / five_ms.best(),
         static_cast<double>(calls) / matches);
    b.samples("tarvex_ms", tarvex_ms);
    b.samples("five_call_ms", five_ms);
}

// Replace All, pattern or text, against the five-call replace loop, with the
// host calls per written cell; then Undo Replace of the same cells.
void replace_and_undo_case(Bench& b, TarvexWindow& window, BareHost& bare, int matches, HostCosts costs, int runs,
                           bool pattern) {
    const Options options(pattern);
    // Counted once, unpriced: the click (with its closing Find) and the undo.
    auto book = b.open(matches);
    window.find_ms(search_word);
    test::type_into(design::cmbReplace, replacement_word);
    test::set_ticked(design::chkEntireCellContent, false);
    const std::size_t replace_calls = host_calls(*b.app, [] { test::press(design::cmdReplaceAll); });
    // Undo ends with a Find that lists every cell again; its calls are counted
    // apart, as a Find's.
    const std::size_t undo_calls =
        host_calls(*b.app, [] { test::send_command(tarvex::list_menu::Command::undo_replace); });
    const std::size_t find_calls = host_calls(*b.app, [&] { window.find_ms(search_word); });
    check(tarvex::bench::matching_rows(*book, search_word).size() == static_cast<std::size_t>(matches),
          "Undo Replace did not bring every cell back");

    const PricedHost priced(*b.app, costs);
    const ReplaceAllFigures f = measure_replace_all(b, window, bare, matches, runs);
    Samples undo_ms;
    for (int run = 0; run < runs; ++run) {
        book = b.open(matches);
        window.find_ms(search_word);
        test::press(design::cmdReplaceAll);
        undo_ms.take(time_ms([] { test::send_command(tarvex::list_menu::Command::undo_replace); }));
        check(tarvex::bench::matching_rows(*book, search_word).size() == static_cast<std::size_t>(matches),
              "Undo Replace did not bring every cell back");
    }
    line("%s M=%d call_us=%.0f tarvex_ms=%.1f five_call_ms=%.1f ratio=%.2f calls_per_cell=%.2f us_per_cell=%.1f",
         pattern ? "pattern_replace_all" : "replace_all_calls", matches, costs.call_us, f.tarvex_ms, f.host_ms,
         f.tarvex_ms / f.host_ms, static_cast<double>(replace_calls) / matches, f.tarvex_ms * 1000.0 / matches);
    line(
        "undo_replace M=%d call_us=%.0f tarvex_ms=%.1f five_call_ms=%.1f ratio=%.2f calls_per_cell=%.2f "
        "closing_find_calls_per_cell=%.2f",
        matches, costs.call_us, undo_ms.best(), f.host_ms, undo_ms.best() / f.host_ms,
        static_cast<double>(undo_calls - find_calls) / matches, static_cast<double>(find_calls) / matches);
    b.samples("click_ms", f.clicks);
    b.samples("undo_ms", undo_ms);
}

// Forty pairs over the benchmark workbook: the words its cells are made of and
// a few it never holds, each replaced by its upper case.
std::vector<std::u16string> pair_words() {
    std::vector<std::u16string> words = {
        u"needle",   u"Spare",    u"Box",   u"Sewing", u"Knitting", u"Darning",  u"Lost", u"Order",  u"Steel",
        u"Tapestry", u"Surgical", u"set",   u"case",   u"haystack", u"threader", u"note", u"work",   u"holder",
        u"leather",  u"hay",      u"straw", u"thread", u"bobbin",   u"thimble",  u"yarn", u"button", u"fabric",
        u"scissors", u"ribbon",   u"zip",   u"spool",  u"bale",     u"barn",     u"field"};
    for (int i = 0; words.size() < 40; ++i) {
        words.push_back(u"absent" + tarvex::from_wide(std::to_wstring(i)));
    }
    return words;
}

std::u16string upper(std::u16string text) {
    for (char16_t& c : text) {
        c = static_cast<char16_t>(::towupper(c));
    }
    return text;
}

// The list of pairs from the clipboard, its Find and its Replace All, against
// the bare client running a find and a five-call replace loop once per pair.
void pair_list_case(Bench& b, BareHost& bare, int matches, HostCosts costs) {
    const std::vector<std::u16string> words = pair_words();
    std::u16string pairs;
    for (const auto& word : words) {
        pairs += word + u"\t" + upper(word) + u"\r\n";
    }
    check(tarvex::put_on_clipboard(nullptr, pairs), "the list of pairs could not be put on the clipboard");
    const Options defaults(false);
    const PricedHost priced(*b.app, costs);
    b.open(matches);
    test::set_ticked(design::chkEntireCellContent, false);
    const double list_ms = time_ms([] { test::send_command(tarvex::options_menu::Item::replace_from_clipboard); });
    const int listed = test::listed_count();
    check(listed > matches, "the pairs listed fewer cells than the word alone");
    const double replace_ms = time_ms([] { test::press(design::cmdReplaceAll); });
    check(test::status_text().rfind(u"Done (", 0) == 0, "Replace All of the pairs did not end done");

    b.open(matches);
    const double bare_ms = time_ms([&] {
        for (const auto& word : words) {
            const BareListing listing = bare.find(word.c_str());
            bare.replace(listing, word.c_str(), upper(word).c_str());
        }
    });
    line(
        "pair_list P=%d M=%d call_us=%.0f listed=%d list_ms=%.1f replace_ms=%.1f tarvex_ms=%.1f "
        "five_call_ms=%.1f ratio=%.2f",
        static_cast<int>(words.size()), matches, costs.call_us, listed, list_ms, replace_ms, list_ms + replace_ms,
        bare_ms, (list_ms + replace_ms) / bare_ms);
}

// The host's own cost of the bulk reads a Replace All makes: every worksheet's
// used range read as formulas, then as values, through IDispatch.
void bulk_read_case(Bench& b, int matches) {
    b.open(matches);
    const test::Variant book = get(b.application.Get(), dispid_of(b.application.Get(), u"ActiveWorkbook"));
    IDispatch* workbook = object_in(book.get());
    const test::Variant sheets = get(workbook, dispid_of(workbook, u"Worksheets"));
    IDispatch* collection = object_in(sheets.get());
    const LONG count = integer_in(get(collection, dispid_of(collection, u"Count")).get());
    std::size_t cells = 0;
    Samples formulas_ms;
    Samples values_ms;
    for (int run = 0; run < b.runs; ++run) {
        double formulas = 0;
        double values = 0;
        cells = 0;
        for (LONG i = 1; i <= count; ++i) {
            const test::Variant sheet = get(collection, dispid_of(collection, u"Item"), Arg(static_cast<int>(i)));
            IDispatch* worksheet = object_in(sheet.get());
            const test::Variant used = get(worksheet, dispid_of(worksheet, u"UsedRange"));
            IDispatch* range = object_in(used.get());
            const DISPID formula = dispid_of(range, u"Formula");
            const DISPID value = dispid_of(range, u"Value2");
            test::Variant answer;
            formulas += time_ms([&] { answer = get(range, formula); });
            if ((answer.type() & VT_ARRAY) != 0) {
                cells += answer.get().parray->rgsabound[0].cElements * answer.get().parray->rgsabound[1].cElements;
            }
            formulas += time_ms([&] { answer = test::Variant(); });
            values += time_ms([&] { answer = get(range, value); });
            values += time_ms([&] { answer = test::Variant(); });
        }
        formulas_ms.take(formulas);
        values_ms.take(values);
    }
    line("bulk_read M=%d cells=%d formulas_ms=%.1f values_ms=%.1f us_per_cell=%.2f", matches, static_cast<int>(cells),
         formulas_ms.best(), values_ms.best(), (formulas_ms.best() + values_ms.best()) * 1000.0 / (2.0 * cells));
}

int run(int argc, char** argv) {
    Bench b;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--dll=", 6) == 0) {
            const std::string path = argv[i] + 6;
            test::set_tarvex_dll_path(std::wstring(path.begin(), path.end()));
        } else if (std::strncmp(argv[i], "--runs=", 7) == 0) {
            b.runs = std::max(1, std::atoi(argv[i] + 7));
        } else if (std::strcmp(argv[i], "--samples") == 0) {
            b.show_samples = true;
        } else if (std::strncmp(argv[i], "--priced-at=", 12) == 0) {
            b.priced_at = std::atof(argv[i] + 12);
        } else if (std::strncmp(argv[i], "--case=", 7) == 0) {
            b.cases.emplace_back(argv[i] + 7);
        } else {
            std::fprintf(
                stderr,
                "usage: tarvex_bench [--dll=<path>] [--runs=<n>] [--samples] [--case=<name>]... [--priced-at=<us>]\n");
            return 2;
        }
    }

    b.app = std::make_shared<standin::Application>();
    b.app->set_logging(false);
    b.open(1000);
    b.application = standin::make_application_object(b.app);

    TarvexWindow window(b.application.Get());
    BareHost bare(b.application.Get());

    // Memory first, while the process has not yet held any large list; sorting
    // last, since it leaves the list sorted and every later Find would sort too.
    if (b.wants("memory")) {
        memory_case(b, window, 100000);
    }
    if (b.wants("find")) {
        for (int matches : {1000, 10000, 32767, 100000}) {
            find_case(b, window, bare, matches);
        }
    }
    if (b.wants("replace_all")) {
        replace_all_case(b, window, bare, 10000);
    }
    // A realistic host: at 0 µs per call what Tarvex adds itself, at 20 µs what
    // the calls it saves are worth. A priced run of 100,000 matches takes
    // seconds, so these cases take at most three runs.
    const int priced_runs = std::min(b.runs, 3);
    for (const HostCosts costs : {HostCosts{0, 0}, HostCosts{20, 0.05}}) {
        if (b.priced_at >= 0 && costs.call_us != b.priced_at) {
            continue;
        }
        if (b.wants("priced_find")) {
            for (int matches : {10000, 100000}) {
                priced_find_case(b, window, bare, matches, costs, priced_runs);
            }
        }
        if (b.wants("priced_replace_all")) {
            priced_replace_all_case(b, window, bare, 10000, costs, priced_runs);
        }
        if (b.wants("replace_undo")) {
            replace_and_undo_case(b, window, bare, 10000, costs, priced_runs, false);
        }
        if (b.wants("pattern")) {
            pattern_find_case(b, window, bare, 100000, costs, priced_runs);
            replace_and_undo_case(b, window, bare, 10000, costs, priced_runs, true);
        }
        if (b.wants("pair_list")) {
            pair_list_case(b, bare, 10000, costs);
        }
    }
    if (b.wants("bulk_read")) {
        bulk_read_case(b, 10000);
    }
    if (b.wants("stop")) {
        stop_case(b, window, 100000, priced_runs);
    }
    if (b.wants("sort")) {
        sort_case(b, window, 100000);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A failure must end the run with a message, not wait in an error box.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    const tarvex::OleScope ole;
    if (FAILED(ole.status())) {
        std::fprintf(stderr, "OleInitialize failed\n");
        return 1;
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    try {
        return run(argc, argv);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "tarvex_bench: %s\n", failure.what());
        return 1;
    }
}
