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
// Options: --dll=<path of Tarvex.dll> (default: one folder up from this program),
// --runs=<n> (best of n, default 5), --samples (every run's figure, on stderr),
// --case=<name> (only the cases of that name: memory, find, replace_all,
// priced_find, priced_replace_all, stop, sort; may be repeated), --priced-at=<us> (the
// priced cases at that cost per call only: 0 or 20).
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
#include "base/text.h"
#include "com/object_model_win.h"
#include "model/model.h"
#include "ui/controls/sort_key_win.h"
#include "ui/main/frm_main_ids.h"
#include "ui/main/main_design.h"
#include "engine/result_list.h"
#include "workbook_generator.h"

namespace {

using Microsoft::WRL::ComPtr;
namespace design = tarvex::main_design;
namespace ids = tarvex::frm_main_ids;

constexpr wchar_t search_word[] = L"needle";
constexpr char16_t search_word_u16[] = u"needle";
constexpr wchar_t replacement_word[] = L"pin";
// A word no generated cell contains in any letter case.
constexpr wchar_t absent_word[] = L"zqxjv";

// {41DEBC9A-2327-11D4-98A4-006067303FC9}
constexpr CLSID clsid_morvane = {0x41DEBC9A, 0x2327, 0x11D4, {0x98, 0xA4, 0x00, 0x60, 0x67, 0x30, 0x3F, 0xC9}};

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
        char text[160];
        std::snprintf(text, sizeof(text), "%s failed: 0x%08lX", what, static_cast<unsigned long>(hr));
        throw BenchFailure(text);
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

// --- Owners ---------------------------------------------------------------

using tarvex::UniqueBstr;

UniqueBstr make_bstr(const wchar_t* text) {
    UniqueBstr owned(::SysAllocString(text));
    check(owned != nullptr, "out of memory");
    return owned;
}

// One result, owned by tarvex::Variant, with the reads the bare client makes.
class Variant {
public:
    VARIANT* get() noexcept { return value_.get(); }
    IDispatch* object() const noexcept { return value_->vt == VT_DISPATCH ? value_->pdispVal : nullptr; }
    BSTR text() const noexcept { return value_->vt == VT_BSTR ? value_->bstrVal : nullptr; }
    LONG integer() const noexcept { return value_->vt == VT_I4 ? value_->lVal : 0; }
    // Takes the text out of the variant, which is left empty.
    UniqueBstr release_text() noexcept {
        if (value_->vt != VT_BSTR) {
            return nullptr;
        }
        UniqueBstr text(value_->bstrVal);
        value_->vt = VT_EMPTY;
        return text;
    }

private:
    tarvex::Variant value_;
};

// Arguments for Invoke, which takes them last first. These do not own what they
// point to: the caller keeps the texts and objects alive over the call.
VARIANT text_argument(BSTR text) {
    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = text;
    return value;
}
VARIANT object_argument(IDispatch* object) {
    VARIANT value;
    value.vt = VT_DISPATCH;
    value.pdispVal = object;
    return value;
}
VARIANT integer_argument(LONG number) {
    VARIANT value;
    value.vt = VT_I4;
    value.lVal = number;
    return value;
}
VARIANT boolean_argument(bool flag) {
    VARIANT value;
    value.vt = VT_BOOL;
    value.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
    return value;
}
VARIANT omitted_argument() {
    VARIANT value;
    value.vt = VT_ERROR;
    value.scode = DISP_E_PARAMNOTFOUND;
    return value;
}

// --- The bare host client ---------------------------------------------------

// The host's DISPIDs, looked up once: the bare client pays for no name lookups.
struct HostNames {
    DISPID active_workbook, worksheets, sheets, count, item, name, range, find, address, text, formula, value;
};

DISPID dispid_of(IDispatch* object, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    check_hr(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), "GetIDsOfNames");
    return id;
}

Variant invoke(IDispatch* object, DISPID id, WORD flags, VARIANT* last_first = nullptr, UINT count = 0) {
    check(object != nullptr, "a host call on Nothing");
    DISPID put_name = DISPID_PROPERTYPUT;
    DISPPARAMS params{last_first, nullptr, count, 0};
    const bool is_put = (flags & DISPATCH_PROPERTYPUT) != 0;
    if (is_put) {
        params.rgdispidNamedArgs = &put_name;
        params.cNamedArgs = 1;
    }
    Variant result;
    tarvex::ExcepInfo exception;
    const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                      is_put ? nullptr : result.get(), exception.get(), nullptr);
    check_hr(hr, "a host call");
    return result;
}

Variant get(IDispatch* object, DISPID id, VARIANT* last_first = nullptr, UINT count = 0) {
    return invoke(object, id, DISPATCH_PROPERTYGET, last_first, count);
}

HostNames resolve_names(IDispatch* application) {
    HostNames n{};
    n.active_workbook = dispid_of(application, L"ActiveWorkbook");
    Variant book = get(application, n.active_workbook);
    n.worksheets = dispid_of(book.object(), L"Worksheets");
    n.sheets = dispid_of(book.object(), L"Sheets");
    Variant sheets = get(book.object(), n.worksheets);
    n.count = dispid_of(sheets.object(), L"Count");
    n.item = dispid_of(sheets.object(), L"Item");
    VARIANT first = integer_argument(1);
    Variant sheet = get(sheets.object(), n.item, &first, 1);
    n.name = dispid_of(sheet.object(), L"Name");
    n.range = dispid_of(sheet.object(), L"Range");
    UniqueBstr a1 = make_bstr(L"A1");
    VARIANT cell = text_argument(a1.get());
    Variant range = get(sheet.object(), n.range, &cell, 1);
    n.find = dispid_of(range.object(), L"Find");
    n.address = dispid_of(range.object(), L"Address");
    n.text = dispid_of(range.object(), L"Text");
    n.formula = dispid_of(range.object(), L"Formula");
    n.value = dispid_of(range.object(), L"Value");
    return n;
}

struct BareCell {
    std::size_t sheet;
    UniqueBstr address;
};

struct BareListing {
    std::vector<UniqueBstr> sheet_names;
    std::vector<BareCell> cells;
    std::vector<UniqueBstr> texts;
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
        : application_(application),
          names_(resolve_names(application)),
          first_cell_(make_bstr(L"A1")),
          last_cell_(make_bstr(L"IV65536")) {}

    // The calls of a Find that lists every match with its displayed text: the
    // worksheets, on each the searched range, the Find walk with its nine
    // arguments and the address of every match; then per match the sheet by
    // name, the cell by address and its text.
    BareListing find(const wchar_t* what, TextLookup lookup = TextLookup::sheets_then_item) {
        const UniqueBstr search = make_bstr(what);
        BareListing listing;
        Variant book = get(application_, names_.active_workbook);
        Variant sheets = get(book.object(), names_.worksheets);
        const LONG count = get(sheets.object(), names_.count).integer();
        for (LONG index = 1; index <= count; ++index) {
            VARIANT position = integer_argument(index);
            Variant sheet = get(sheets.object(), names_.item, &position, 1);
            VARIANT corners[] = {text_argument(last_cell_.get()), text_argument(first_cell_.get())};
            Variant within = get(sheet.object(), names_.range, corners, 2);
            // What, After, LookIn, LookAt, SearchOrder, SearchDirection, MatchCase,
            // MatchByte, SearchFormat, in Invoke's order.
            VARIANT arguments[] = {omitted_argument(),  omitted_argument(), boolean_argument(false),
                                   integer_argument(1), omitted_argument(), omitted_argument(),
                                   omitted_argument(),  omitted_argument(), text_argument(search.get())};
            Variant held = invoke(within.object(), names_.find, DISPATCH_METHOD, arguments, 9);
            if (held.object() == nullptr) {
                continue;
            }
            listing.sheet_names.push_back(get(sheet.object(), names_.name).release_text());
            const std::size_t first = listing.cells.size();
            while (held.object() != nullptr) {
                UniqueBstr address = get(held.object(), names_.address).release_text();
                if (listing.cells.size() > first &&
                    std::wcscmp(address.get(), listing.cells[first].address.get()) == 0) {
                    break;
                }
                listing.cells.push_back({listing.sheet_names.size() - 1, std::move(address)});
                if (lookup == TextLookup::found_cell) {
                    listing.texts.push_back(get(held.object(), names_.text).release_text());
                }
                arguments[7] = object_argument(held.object());
                Variant next = invoke(within.object(), names_.find, DISPATCH_METHOD, arguments, 9);
                held = std::move(next);
            }
        }
        if (lookup == TextLookup::found_cell) {
            return listing;
        }
        listing.texts.reserve(listing.cells.size());
        for (const BareCell& c : listing.cells) {
            Variant cell = lookup == TextLookup::sheets_by_name
                               ? cell_by_name(book.object(), listing.sheet_names[c.sheet].get(), c.address.get())
                               : cell_of(book.object(), listing.sheet_names[c.sheet].get(), c.address.get());
            listing.texts.push_back(get(cell.object(), names_.text).release_text());
        }
        return listing;
    }

    // The calls of a text-mode Replace All over listed cells: per cell the sheet
    // by name, the cell by address, its formula, and the replaced text written
    // as its value.
    void replace(const BareListing& listing, const wchar_t* what, const wchar_t* replacement) {
        Variant book = get(application_, names_.active_workbook);
        const std::wstring find(what);
        for (const BareCell& c : listing.cells) {
            Variant cell = cell_of(book.object(), listing.sheet_names[c.sheet].get(), c.address.get());
            Variant formula = get(cell.object(), names_.formula);
            std::wstring text(formula.text() ? formula.text() : L"");
            bool changed = false;
            for (std::size_t at = text.find(find); at != std::wstring::npos; at = text.find(find, at)) {
                text.replace(at, find.size(), replacement);
                at += std::wcslen(replacement);
                changed = true;
            }
            if (changed) {
                const UniqueBstr written = make_bstr(text.c_str());
                VARIANT value = text_argument(written.get());
                invoke(cell.object(), names_.value, DISPATCH_PROPERTYPUT, &value, 1);
            }
        }
    }

private:
    Variant cell_of(IDispatch* book, BSTR sheet_name, BSTR address) {
        Variant sheets = get(book, names_.sheets);
        VARIANT name = text_argument(sheet_name);
        Variant sheet = get(sheets.object(), names_.item, &name, 1);
        VARIANT at = text_argument(address);
        return get(sheet.object(), names_.range, &at, 1);
    }

    // Sheets(name) in one call, which the host forwards to the collection's Item.
    Variant cell_by_name(IDispatch* book, BSTR sheet_name, BSTR address) {
        VARIANT name = text_argument(sheet_name);
        Variant sheet = get(book, names_.sheets, &name, 1);
        VARIANT at = text_argument(address);
        return get(sheet.object(), names_.range, &at, 1);
    }

    IDispatch* application_;
    HostNames names_;
    UniqueBstr first_cell_;
    UniqueBstr last_cell_;
};

// --- The Tarvex window ------------------------------------------------------

void pump(int ms) {
    const DWORD end = ::GetTickCount() + static_cast<DWORD>(ms);
    while (static_cast<LONG>(end - ::GetTickCount()) > 0) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

std::wstring default_dll_path() {
    std::wstring path = tarvex::module_path(nullptr);
    // <build>/bench/tarvex_bench.exe -> <build>/Tarvex.dll
    for (int up = 0; up < 2; ++up) {
        path = path.substr(0, path.find_last_of(L"\\/"));
    }
    return path + L"\\Tarvex.dll";
}

class TarvexWindow {
public:
    TarvexWindow(const std::wstring& dll_path, IDispatch* application) : dll_(::LoadLibraryW(dll_path.c_str())) {
        check(dll_ != nullptr, "Tarvex.dll could not be loaded");
        using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
        const auto get_class_object =
            reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(::GetProcAddress(dll_, "DllGetClassObject")));
        check(get_class_object != nullptr, "Tarvex.dll exports no DllGetClassObject");
        ComPtr<IClassFactory> factory;
        check_hr(get_class_object(clsid_morvane, IID_PPV_ARGS(&factory)), "DllGetClassObject");
        check_hr(factory->CreateInstance(nullptr, IID_PPV_ARGS(&morvane_)), "CreateInstance");

        // Morvane.Search(Application), the argument by reference as a macro passes it.
        IDispatch* variable = application;
        VARIANT argument;
        argument.vt = VT_DISPATCH | VT_BYREF;
        argument.ppdispVal = &variable;
        invoke(morvane_.Get(), dispid_of(morvane_.Get(), L"Search"), DISPATCH_METHOD, &argument, 1);
        pump(300);
        window_ = ::FindWindowW(ids::window_class, nullptr);
        check(window_ != nullptr, "Search showed no Tarvex window");
    }

    ~TarvexWindow() {
        if (::IsWindow(window_)) {
            ::SendMessageW(window_, WM_CLOSE, 0, 0);
            pump(100);
        }
        morvane_.Reset();
    }

    TarvexWindow(const TarvexWindow&) = delete;
    TarvexWindow& operator=(const TarvexWindow&) = delete;

    HWND control(int design_index) const { return ::GetDlgItem(window_, ids::control_id(design_index)); }
    HWND list() const { return control(design::lvwMain); }

    void type(int combo, const wchar_t* text) const { ::SetWindowTextW(control(combo), text); }
    void untick_entire_cell() const {
        ::SendMessageW(control(design::chkEntireCellContent), BM_SETCHECK, BST_UNCHECKED, 0);
    }

    // A button press as a click makes it; the command has run when it returns.
    double click_ms(int button) const {
        const double ms = time_ms([&] { ::SendMessageW(control(button), BM_CLICK, 0, 0); });
        return ms;
    }

    // Clicks Find for `what`; returns the time the click took.
    double find_ms(const wchar_t* what) const {
        type(design::cmbSearchFor, what);
        return click_ms(design::cmdFind);
    }

    // A click on a column header, timed until the list has painted: the rows are
    // sorted when the list next asks for them, which is when it paints.
    double header_click_ms(const wchar_t* caption) const {
        HWND header = ListView_GetHeader(list());
        const int count = Header_GetItemCount(header);
        int index = -1;
        for (int i = 0; i < count && index < 0; ++i) {
            wchar_t text[64] = {};
            HDITEMW item{};
            item.mask = HDI_TEXT;
            item.pszText = text;
            item.cchTextMax = 64;
            Header_GetItem(header, i, &item);
            if (std::wcscmp(text, caption) == 0) {
                index = i;
            }
        }
        check(index >= 0, "no such column header");
        RECT r{};
        Header_GetItemRect(header, index, &r);
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        return time_ms([&] {
            ::SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
            ::SendMessageW(header, WM_LBUTTONUP, 0, at);
            ::UpdateWindow(list());
        });
    }

    std::wstring status() const {
        wchar_t text[256] = {};
        ::SendMessageW(control(design::StatusBar1), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
        return text;
    }
    int listed() const { return ListView_GetItemCount(list()); }
    std::wstring listed_text(int row, int column) const {
        wchar_t text[512] = {};
        ListView_GetItemText(list(), row, column, text, 512);
        return text;
    }

private:
    // Never freed: as in a host, the DLL stays loaded while the process runs, so
    // no window of it can outlive its code.
    HMODULE dll_;
    ComPtr<IDispatch> morvane_;
    HWND window_ = nullptr;
};

std::wstring found_status(int matches) {
    return L"Done(" + std::to_wstring(matches) + L" matches)  ...";
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
        sheet->find(search_word_u16, searched, std::nullopt, standin::FindOptions{});
    }
    window.find_ms(absent_word);
    pump(300);
    check(window.listed() == 0, "the Find for an absent word listed rows");
    const double none = private_mb();
    window.find_ms(search_word);
    pump(300);
    check(window.listed() == matches, "the Find did not list every match");
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
        check(window.status() == found_status(matches), "the status bar does not show the match count");
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
        check(window.listed() == matches, "the Find before Replace All did not list every match");
        pump(50);
        window.type(design::cmbReplace, replacement_word);
        window.untick_entire_cell();
        const double replace = window.click_ms(design::cmdReplaceAll);
        check(window.listed() == 0, "Replace All left matches behind");
        check(tarvex::bench::matching_rows(*book, search_word_u16).empty(), "Replace All left cells with the word");
        pump(50);
        // The closing Find of the click met every sheet changed: so does this one.
        tarvex::bench::touch_every_sheet(*book);
        const double closing = window.find_ms(search_word);
        check(window.status() == found_status(0), "the closing Find found something");
        pump(50);

        book = b.open(matches);
        const BareListing listing = bare.find(search_word);
        check(static_cast<int>(listing.cells.size()) == matches, "the bare walk did not find every match");
        const double h = time_ms([&] { bare.replace(listing, search_word, replacement_word); });
        check(tarvex::bench::matching_rows(*book, search_word_u16).empty(),
              "the bare replace left cells with the word");

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
    check(window.listed() == matches, "the Find did not list every match");
    const PricedHost priced(*b.app, costs);
    Samples tarvex_ms;
    Samples five_ms;
    Samples three_ms;
    for (int run = 0; run < runs; ++run) {
        tarvex_ms.take(window.find_ms(search_word));
        check(window.status() == found_status(matches), "the status bar does not show the match count");
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
    for (int run = 0; run < runs; ++run) {
        list_ms.take(time_ms([&] { ListView_SetItemCountEx(window.list(), matches, 0); }));
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
    check(window.listed() == matches, "the Find did not list every match");
    pump(300);
    const std::vector<tarvex::ResultRow> rows = tarvex::bench::matching_rows(*book, search_word_u16);
    Samples ascending_ms;
    Samples descending_ms;
    Samples model_ascending_ms;
    Samples model_descending_ms;
    for (int run = 0; run < b.runs; ++run) {
        // Sorted by another column first, so that Content starts ascending.
        window.header_click_ms(L"Cell");
        pump(100);
        const ModelSort model = sort_model(rows);
        model_ascending_ms.take(model.ascending_ms);
        model_descending_ms.take(model.descending_ms);

        ascending_ms.take(window.header_click_ms(L"Content"));
        check(window.listed_text(0, 2) == std::wstring(model.first_ascending.begin(), model.first_ascending.end()),
              "the list does not start with the first content in ascending order");
        pump(100);
        descending_ms.take(window.header_click_ms(L"Content"));
        check(window.listed_text(0, 2) == std::wstring(model.first_descending.begin(), model.first_descending.end()),
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
    for (int run = 0; run < runs; ++run) {
        LARGE_INTEGER pressed{};
        std::atomic<bool> done{false};
        std::thread esc([&] {
            ::Sleep(300);
            ::QueryPerformanceCounter(&pressed);
            ::PostMessageW(window.list(), WM_KEYDOWN, VK_ESCAPE, 1);
            done = true;
        });
        window.find_ms(search_word);
        LARGE_INTEGER returned;
        ::QueryPerformanceCounter(&returned);
        esc.join();
        check(done && window.status().rfind(L"Stopped (", 0) == 0, "Esc did not stop the Find");
        after_esc_ms.take(milliseconds_since(pressed) - milliseconds_since(returned));
        listed = window.listed();
        pump(100);
    }
    line("stop M=%d call_us=20 after_esc_ms=%.1f listed_when_stopped=%d", matches, after_esc_ms.best(), listed);
    b.samples("after_esc_ms", after_esc_ms);
}

int run(int argc, char** argv) {
    Bench b;
    std::wstring dll = default_dll_path();
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--dll=", 6) == 0) {
            const std::string path = argv[i] + 6;
            dll.assign(path.begin(), path.end());
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

    TarvexWindow window(dll, b.application.Get());
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
