#pragma once
// The stand-in spreadsheet: an application with workbooks, sheets and sparse
// cells that answers the host operations Tarvex relies on with the real host's
// semantics. Portable, so its behaviour is tested natively; the IDispatch object
// model in standin/com exposes it to the DLL under Wine.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace standin {

// HRESULTs the real host answers with, as plain numbers so the model stays portable.
namespace hr {
inline constexpr std::int32_t call_rejected = static_cast<std::int32_t>(0x80010001);  // RPC_E_CALL_REJECTED
inline constexpr std::int32_t retry_later = static_cast<std::int32_t>(0x8001010A);    // RPC_E_SERVERCALL_RETRYLATER
inline constexpr std::int32_t host_busy = static_cast<std::int32_t>(0x800AC472);      // in-process callers
inline constexpr std::int32_t disconnected = static_cast<std::int32_t>(0x80010108);   // RPC_E_DISCONNECTED
inline constexpr std::int32_t application_defined = static_cast<std::int32_t>(0x800A03EC);  // error 1004
inline constexpr std::int32_t object_required = static_cast<std::int32_t>(0x800A01A8);      // error 424
inline constexpr std::int32_t bad_index = static_cast<std::int32_t>(0x8002000B);            // DISP_E_BADINDEX
inline constexpr std::int32_t type_mismatch = static_cast<std::int32_t>(0x80020005);        // DISP_E_TYPEMISMATCH
}  // namespace hr

// A failed host operation: the HRESULT a caller sees and the host's description.
struct Failure {
    std::int32_t hresult;
    std::u16string description;
};

// Codes in the RPC range are produced by the COM channel itself, so the object
// model returns them straight from Invoke instead of through EXCEPINFO.
inline bool is_channel_failure(std::int32_t hresult) {
    return (static_cast<std::uint32_t>(hresult) & 0xFFFF0000u) == 0x80010000u;
}

// Grid limits of the host: 1,048,576 rows by 16,384 columns (A to XFD).
inline constexpr std::int32_t max_row = 1048576;
inline constexpr std::int32_t max_col = 16384;

struct CellPos {
    std::int32_t row = 1;  // 1-based
    std::int32_t col = 1;  // 1-based, A = 1
    friend bool operator==(const CellPos&, const CellPos&) = default;
};

struct Rect {
    CellPos top_left;
    CellPos bottom_right;
    bool contains(CellPos p) const {
        return p.row >= top_left.row && p.row <= bottom_right.row && p.col >= top_left.col && p.col <= bottom_right.col;
    }
    bool is_single_cell() const { return top_left == bottom_right; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// "A1", "$B$7", "aa10" -> position; nullopt when the text is not one cell inside the grid.
std::optional<CellPos> parse_cell(std::u16string_view text);
// "A1", "A1:B2", "$A$1:$IV$65536" -> rectangle (corners normalised); nullopt when malformed.
std::optional<Rect> parse_range(std::u16string_view text);
// Absolute A1 style without the sheet: $A$1, $IV$65536, $AA$10.
std::u16string address(CellPos p);
// "$A$1" for one cell, "$A$1:$IV$65536" for a rectangle.
std::u16string address(const Rect& r);
std::u16string column_name(std::int32_t col);  // 1 -> A, 27 -> AA

enum class ValueKind { empty, number, text, boolean, error };

// A cell's value. For an error value, `text` holds its display form such as #DIV/0!.
struct Value {
    ValueKind kind = ValueKind::empty;
    double number = 0;
    bool boolean = false;
    std::u16string text;

    static Value of_number(double n);
    static Value of_text(std::u16string t);
    static Value of_boolean(bool b);
    static Value of_error(std::u16string e);  // e must be one of the host's error literals
    friend bool operator==(const Value&, const Value&) = default;
};

// The host's error literals (#NULL!, #DIV/0!, #VALUE!, #REF!, #NAME?, #NUM!, #N/A)
// and the numbers its CVErr uses for them (2000, 2007, 2015, 2023, 2029, 2036, 2042).
std::optional<int> error_code(std::u16string_view literal);

// General-format text of a number, as the host shows and stores it (1234.5, 7, 0.1, 1E+20).
std::u16string general_number_text(double n);

struct Cell {
    std::u16string formula;  // "=..." for a formula cell; empty for a constant
    Value value;             // the constant, or the formula's last computed value
    std::u16string number_format = u"General";
    std::optional<std::u16string> display_override;  // a displayed text given by a file or a test

    bool has_formula() const { return !formula.empty(); }
    // Range.Formula: the formula text, or the constant as text ("" for an empty cell).
    std::u16string formula_text() const;
    // Range.Text: the value through the number format (or the override).
    std::u16string display_text() const;
};

// Parses text as typed into a cell: "=..." a formula (nullopt when it is not a
// valid formula), numeric text a number, TRUE/FALSE a boolean, an error literal an
// error value, a leading apostrophe forces text, "" empties the cell, anything
// else is text. The number format is left to the caller.
std::optional<Cell> parse_typed_input(std::u16string_view typed);

enum class LookIn { formulas, values };
enum class LookAt { part, whole };
enum class SearchOrder { by_rows, by_columns };
enum class Direction { next, previous };

struct FindOptions {
    LookIn look_in = LookIn::formulas;
    LookAt look_at = LookAt::part;
    SearchOrder order = SearchOrder::by_rows;
    Direction direction = Direction::next;
    bool match_case = false;
};

// Does `text` match the search pattern with the host's rules: * any run, ? any one
// character, ~ takes the next character literally; whole or part; case folded
// unless match_case.
bool matches(std::u16string_view pattern, std::u16string_view text, LookAt look_at, bool match_case);

enum class SheetKind { worksheet, chart };

class Workbook;

class Sheet {
public:
    Sheet(std::u16string name, SheetKind kind);
    ~Sheet();  // out of line: the match index is complete only in the model's sources
    Sheet(const Sheet&) = delete;
    Sheet& operator=(const Sheet&) = delete;

    const std::u16string& name() const { return name_; }
    SheetKind kind() const { return kind_; }
    // False once the sheet has been deleted from its workbook, or its workbook closed.
    bool alive() const { return alive_; }

    const Cell* cell(CellPos p) const;
    // Each cell of one row from column `left` to `right`, nullptr where empty,
    // found in one walk along the row: a block read costs per cell, as the
    // host's does, not a lookup per cell.
    void each_in_row(std::int32_t row, std::int32_t left, std::int32_t right,
                     const std::function<void(const Cell*)>& each) const;
    // Stores the cell; an empty constant without an override removes it.
    void set_cell(CellPos p, Cell c);
    void clear_cell(CellPos p);
    // Range.Value put with a text: parsed as typed input, keeping the cell's number
    // format. An invalid formula throws Failure{application_defined} and leaves the cell.
    void write_value(CellPos p, std::u16string_view typed);
    // Range.Formula put with an array of the rectangle's shape: `typed` holds one
    // input per cell, row by row. Every input is parsed before any cell changes,
    // so a block with one invalid formula throws and leaves the sheet as it was.
    void write_block(const Rect& area, const std::vector<std::u16string>& typed);
    std::size_t cell_count() const { return cells_.size(); }
    // The rectangle from the first to the last filled row and column, as the
    // host's UsedRange gives it; A1 alone on an empty sheet.
    Rect used_range() const;
    // Filled cells in by-rows order (row, then column).
    const std::map<std::uint64_t, Cell>& cells() const { return cells_; }

    CellPos selection() const { return selection_; }
    void select(CellPos p) { selection_ = p; }

    // The next matching cell in `within` after `after` (after the top-left cell when
    // none is given), wrapping around; nullopt when no cell matches. Throws
    // Failure{application_defined} when `after` is not a cell of `within`. Costs
    // O(log n) per call once the sheet's match index for these options is built.
    std::optional<CellPos> find(std::u16string_view what, const Rect& within, std::optional<CellPos> after,
                                const FindOptions& options) const;
    // The filled cells a search in by-rows order passes over going from `from` to
    // `to`, neither counted, wrapping round at the end of the sheet.
    std::size_t cells_passed(CellPos from, CellPos to) const;

private:
    friend class Workbook;
    std::u16string name_;
    SheetKind kind_;
    bool alive_ = true;
    CellPos selection_;
    std::map<std::uint64_t, Cell> cells_;  // key: row << 16 | col (by-rows order)
    std::uint64_t generation_ = 0;         // bumped on every change; invalidates the match index
    struct MatchIndex;
    mutable std::unique_ptr<MatchIndex> index_;
};

class Workbook {
public:
    explicit Workbook(std::u16string name);
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    const std::u16string& name() const { return name_; }
    bool open() const { return open_; }

    // Sheets in tab order, worksheets and chart sheets alike.
    const std::vector<std::shared_ptr<Sheet>>& sheets() const { return sheets_; }
    std::vector<std::shared_ptr<Sheet>> worksheets() const;
    // Case-insensitive, as the host's Sheets(name); nullptr when there is none.
    std::shared_ptr<Sheet> sheet(std::u16string_view name) const;
    Sheet& add_sheet(std::u16string name, SheetKind kind = SheetKind::worksheet);
    // Throws Failure{bad_index} when there is no such sheet, or application_defined for a taken name.
    void rename_sheet(std::u16string_view old_name, std::u16string new_name);
    void delete_sheet(std::u16string_view name);

    // Whether any of the workbook's windows shows: false for a workbook kept
    // hidden, as a personal macro workbook is.
    bool has_visible_window() const { return visible_; }
    void set_visible(bool visible) { visible_ = visible; }

    std::shared_ptr<Sheet> active_sheet() const { return active_sheet_; }
    void activate_sheet(const std::shared_ptr<Sheet>& sheet);

    // The documented text format (standin/README.md). load throws Failure with a
    // description naming the line on malformed input.
    static std::unique_ptr<Workbook> load(std::string_view utf8_text, std::u16string default_name);
    std::string save() const;

private:
    friend class Application;
    // Closing: the workbook and all its sheets stop answering.
    void mark_closed();
    std::u16string name_;
    bool open_ = true;
    bool visible_ = true;
    std::vector<std::shared_ptr<Sheet>> sheets_;
    std::shared_ptr<Sheet> active_sheet_;
};

// One logged host operation: "Range.Find" with its arguments as texts.
struct CallRecord {
    std::string operation;
    std::vector<std::u16string> arguments;
};

class Application {
public:
    Application() = default;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    std::shared_ptr<Workbook> add_workbook(std::unique_ptr<Workbook> book);  // becomes the active one
    std::shared_ptr<Workbook> open_file(const std::string& path);            // throws Failure
    const std::vector<std::shared_ptr<Workbook>>& workbooks() const { return workbooks_; }
    std::shared_ptr<Workbook> active_workbook() const { return active_; }
    void activate(const std::shared_ptr<Workbook>& book);
    // Closes the workbook: it leaves the list, its objects stop answering, and the
    // next open one (if any) becomes active.
    void close(const std::shared_ptr<Workbook>& book);

    // Range.Find with the host's memory of options: what to look in, whole or part
    // and the search order, when omitted, are those held now; when passed they are
    // stored for the next call (start: formulas, part, by rows).
    std::optional<CellPos> find(const Sheet& sheet, std::u16string_view what, const Rect& within,
                                std::optional<CellPos> after, std::optional<LookIn> look_in,
                                std::optional<LookAt> look_at, std::optional<SearchOrder> order, Direction direction,
                                bool match_case);
    LookIn held_look_in() const { return held_.look_in; }
    LookAt held_look_at() const { return held_.look_at; }
    SearchOrder held_order() const { return held_.order; }

    // --- Switches for tests ---
    // While refusing, every operation fails with `code`, as while the user edits a
    // cell: call_rejected or retry_later as a cross-process caller sees it,
    // host_busy as an in-process caller does.
    void set_refusing(bool refusing, std::int32_t code = hr::call_rejected) {
        refusing_ = refusing;
        refusal_code_ = code;
    }
    bool refusing() const { return refusing_; }
    // The n-th call (1-based, counted from now) of `operation` fails with `hresult`.
    void fail_call(std::string operation, int nth, std::int32_t hresult, std::u16string description = u"");
    // From the n-th call (1-based, counted from now, every operation alike) on,
    // `count` calls in a row fail with `hresult`: one for a passing fault, INT_MAX
    // for a host that stays busy or broken. Replaces any earlier such fault.
    void fail_calls_from(int nth, int count, std::int32_t hresult);
    // How many calls the fault above has failed so far.
    int calls_failed_from() const { return run_.failed; }
    void stop_failing_calls() { run_ = FailingRun{}; }
    // Every object-model operation calls this first: it logs the call and throws the
    // Failure that refusal or an injected fault asks for.
    // A call the host forwards to a collection's default member (Sheets("Data"))
    // is priced once, at the member it reaches: pass priced = false for the outer one.
    void enter(std::string_view operation, std::vector<std::u16string> arguments = {}, bool priced = true);
    const std::vector<CallRecord>& call_log() const { return log_; }
    // What answering costs, spent as busy time so that benchmarks see a realistic
    // host: every call a client makes, and every filled cell Range.Find passes over
    // on its way to the next match. Both start at zero.
    void set_costs(std::chrono::nanoseconds per_call, std::chrono::nanoseconds per_cell_passed) {
        call_cost_ = per_call;
        cell_cost_ = per_cell_passed;
    }
    void clear_log() { log_.clear(); }
    // Logging can be switched off for benchmarks.
    void set_logging(bool on) { logging_ = on; }

private:
    struct Injection {
        int remaining;
        std::int32_t hresult;
        std::u16string description;
    };
    std::vector<std::shared_ptr<Workbook>> workbooks_;
    std::shared_ptr<Workbook> active_;
    FindOptions held_;
    bool refusing_ = false;
    std::int32_t refusal_code_ = hr::call_rejected;
    bool logging_ = true;
    std::chrono::nanoseconds call_cost_{0};
    std::chrono::nanoseconds cell_cost_{0};
    std::unordered_map<std::string, std::vector<Injection>> injections_;
    struct FailingRun {
        long long first = 0;  // 0: none
        long long last = 0;
        long long seen = 0;
        std::int32_t hresult = 0;
        int failed = 0;
    } run_;
    std::vector<CallRecord> log_;
};

}  // namespace standin
