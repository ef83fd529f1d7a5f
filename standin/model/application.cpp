// The application: open workbooks, the active one, the Find options the host
// remembers between calls, and the switches tests use to make calls fail.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/text.h"
#include "model/model_detail.h"

namespace standin {
namespace {

// Busy time, not sleep: a sleep cannot be shorter than the scheduler's tick,
// and a host answering a call is busy, not idle.
void spend(std::chrono::nanoseconds cost) {
    const auto until = std::chrono::steady_clock::now() + cost;
    while (std::chrono::steady_clock::now() < until) {
    }
}

}  // namespace

std::shared_ptr<Workbook> Application::add_workbook(std::unique_ptr<Workbook> book) {
    if (!book) {
        detail::fail(hr::object_required);
    }
    workbooks_.push_back(std::shared_ptr<Workbook>(std::move(book)));
    active_ = workbooks_.back();
    return active_;
}

std::shared_ptr<Workbook> Application::open_file(const std::string& path) {
    // The path is UTF-8; a UTF-16 path reads the same on every platform, where a
    // narrow one would go through the ANSI code page on Windows.
    const std::filesystem::path file(tarvex::utf8_to_utf16(path));
    std::error_code error;
    std::string text;
    bool read = false;
    if (std::filesystem::is_regular_file(file, error)) {
        std::ifstream in(file, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        read = !in.bad();
    }
    if (!read) {
        detail::fail(hr::application_defined,
                     u"Cannot open " + tarvex::utf8_to_utf16(path) + u": the file cannot be read.");
    }
    // The host names a workbook after its file.
    auto book = Workbook::load(text, file.filename().u16string());
    return add_workbook(std::move(book));
}

void Application::activate(const std::shared_ptr<Workbook>& book) {
    if (!book) {
        detail::fail(hr::object_required);
    }
    if (std::find(workbooks_.begin(), workbooks_.end(), book) == workbooks_.end()) {
        detail::fail(hr::application_defined);  // closed, or never opened here
    }
    active_ = book;
}

void Application::close(const std::shared_ptr<Workbook>& book) {
    if (!book) {
        detail::fail(hr::object_required);
    }
    const auto it = std::find(workbooks_.begin(), workbooks_.end(), book);
    if (it == workbooks_.end()) {
        detail::fail(hr::application_defined);
    }
    workbooks_.erase(it);
    book->mark_closed();
    // Closing a workbook in the background leaves the active one alone.
    if (active_ == book) {
        active_ = workbooks_.empty() ? nullptr : workbooks_.back();
    }
}

std::optional<CellPos> Application::find(const Sheet& sheet, std::u16string_view what, const Rect& within,
                                         std::optional<CellPos> after, std::optional<LookIn> look_in,
                                         std::optional<LookAt> look_at, std::optional<SearchOrder> order,
                                         Direction direction, bool match_case) {
    if (!sheet.alive()) {
        detail::fail(hr::object_required);
    }
    // Passed options are stored before the search runs, so a search that then fails
    // (a start cell outside the range) still leaves them held.
    if (look_in) {
        held_.look_in = *look_in;
    }
    if (look_at) {
        held_.look_at = *look_at;
    }
    if (order) {
        held_.order = *order;
    }
    FindOptions options = held_;
    options.direction = direction;
    options.match_case = match_case;
    const std::optional<CellPos> found = sheet.find(what, within, after, options);
    if (cell_cost_.count() > 0 && found) {
        spend(cell_cost_ * sheet.cells_passed(after.value_or(within.top_left), *found));
    }
    return found;
}

void Application::fail_call(std::string operation, int nth, std::int32_t hresult, std::u16string description) {
    if (description.empty()) {
        description = detail::default_description(hresult);
    }
    // A count below one cannot be met later than the next call, so it means the next call.
    injections_[std::move(operation)].push_back({std::max(nth, 1), hresult, std::move(description)});
}

void Application::fail_calls_from(int nth, int count, std::int32_t hresult) {
    run_ = FailingRun{};
    run_.first = std::max(nth, 1);
    run_.last = run_.first + std::max(count, 1) - 1;
    run_.hresult = hresult;
}

void Application::enter(std::string_view operation, std::vector<std::u16string> arguments, bool priced) {
    if (logging_) {
        log_.push_back({std::string(operation), std::move(arguments)});
    }
    if (priced && call_cost_.count() > 0) {
        spend(call_cost_);
    }
    if (refusing_) {
        detail::fail(refusal_code_);
    }
    if (run_.first > 0) {
        ++run_.seen;
        if (run_.seen >= run_.first && run_.seen <= run_.last) {
            ++run_.failed;
            detail::fail(run_.hresult);
        }
    }
    const auto it = injections_.find(std::string(operation));
    if (it == injections_.end()) {
        return;
    }
    // Every injection counts this call; the earliest one due fires and goes. Another
    // one due at the same call stays due and fires at the next call, so two faults
    // set for the same call fail two calls in a row.
    auto& pending = it->second;
    for (auto& injection : pending) {
        --injection.remaining;
    }
    const auto due = std::find_if(pending.begin(), pending.end(), [](const Injection& i) { return i.remaining <= 0; });
    if (due == pending.end()) {
        return;
    }
    Failure failure{due->hresult, due->description};
    pending.erase(due);
    if (pending.empty()) {
        injections_.erase(it);
    }
    throw failure;
}

}  // namespace standin
