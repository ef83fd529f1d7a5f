#include "host/host_client_win.h"

#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/cell_grid_win.h"
#include "host/dispatch_call_win.h"

namespace tarvex {

namespace {

using dispatch::Arguments;
using dispatch::ObjectKind;
using Microsoft::WRL::ComPtr;

class DispatchRange final : public HostRange {
public:
    explicit DispatchRange(ComPtr<IDispatch> range) : range_(std::move(range)) {}

    std::unique_ptr<HostRange> find(const std::u16string& what, const HostRange* after,
                                    const FindOptions& options) override {
        // A walk searches the same range for the same text once per match.
        if (!search_text_ || search_for_ != what) {
            search_text_.reset(to_bstr(what));
            if (!search_text_) {
                throw std::bad_alloc();
            }
            search_for_ = what;
        }
        Arguments arguments;
        arguments.borrowed_text(search_text_.get());
        if (after != nullptr) {
            const auto* start = dynamic_cast<const DispatchRange*>(after);
            if (start == nullptr) {
                dispatch::throw_failure(DISP_E_TYPEMISMATCH);
            }
            arguments.borrowed_object(start->range_.Get());  // `after` outlives the call
        } else {
            arguments.omitted();
        }
        // An option left unset is left out, so the host uses what its own Find
        // dialog last used; one that is passed, the host keeps for the dialog.
        optional_integer(arguments, options.look_in);
        optional_integer(arguments, options.look_at);
        arguments.omitted();   // SearchOrder
        arguments.integer(1);  // SearchDirection: forwards
        arguments.boolean(options.match_case);
        arguments.omitted().omitted();  // MatchByte, SearchFormat
        ComPtr<IDispatch> found =
            dispatch::object_of(dispatch::invoke(range_.Get(), ObjectKind::range, L"Find", DISPATCH_METHOD, arguments));
        if (!found) {
            return nullptr;
        }
        return std::make_unique<DispatchRange>(std::move(found));
    }

    std::u16string address() override { return dispatch::text_of(get(L"Address")); }
    std::u16string text() override { return dispatch::text_of(get(L"Text")); }
    std::u16string formula() override { return dispatch::text_of(get(L"Formula")); }

    std::optional<std::u16string> value_text() override {
        Variant value = get(L"Value");
        if ((*value).vt == VT_ERROR) {
            return std::nullopt;
        }
        return dispatch::text_of(std::move(value));
    }

    bool holds_text() override { return (*get(L"Value")).vt == VT_BSTR; }

    void set_value(const std::u16string& value) override { put(L"Value", value); }
    void set_formula(const std::u16string& formula) override { put(L"Formula", formula); }

    void select() override { dispatch::call_method(range_.Get(), ObjectKind::range, L"Select"); }

    CellGrid<std::u16string> formulas(const CellPicks* picks) override {
        return dispatch::formulas_of(
            get(L"Formula"), [this] { return address(); }, picks);
    }
    TextGrid formula_texts() override {
        return dispatch::formula_texts_of(get(L"Formula"), [this] { return address(); });
    }
    // Value2 rather than Value: the same kinds, without the host turning every
    // date and currency amount of the block into a date or currency value first.
    CellGrid<ValueKind> value_kinds() override {
        return dispatch::value_kinds_of(get(L"Value2"), [this] { return address(); });
    }
    void set_formulas(const CellGrid<std::u16string>& formulas) override {
        Arguments arguments;
        arguments.owned_array(dispatch::text_array_of(formulas));
        dispatch::put(range_.Get(), ObjectKind::range, L"Formula", arguments);
    }

private:
    template <class Option>
    static void optional_integer(Arguments& arguments, const std::optional<Option>& option) {
        if (option) {
            arguments.integer(static_cast<LONG>(*option));
        } else {
            arguments.omitted();
        }
    }
    Variant get(const wchar_t* name) { return dispatch::get(range_.Get(), ObjectKind::range, name); }
    void put(const wchar_t* name, const std::u16string& value) {
        Arguments arguments;
        arguments.text(value);
        dispatch::put(range_.Get(), ObjectKind::range, name, arguments);
    }

    ComPtr<IDispatch> range_;
    std::u16string search_for_;
    UniqueBstr search_text_;
};

class DispatchSheet final : public HostSheet {
public:
    explicit DispatchSheet(ComPtr<IDispatch> sheet) : sheet_(std::move(sheet)) {}

    std::u16string name() override {
        return dispatch::text_of(dispatch::get(sheet_.Get(), ObjectKind::sheet, L"Name"));
    }
    void activate() override { dispatch::call_method(sheet_.Get(), ObjectKind::sheet, L"Activate"); }

    std::unique_ptr<HostRange> range(const std::u16string& cell) override {
        Arguments arguments;
        arguments.text(cell);
        return range_of(L"Range", arguments);
    }
    std::unique_ptr<HostRange> range(const std::u16string& first, const std::u16string& last) override {
        Arguments arguments;
        arguments.text(first).text(last);
        return range_of(L"Range", arguments);
    }
    std::unique_ptr<HostRange> used_range() override { return range_of(L"UsedRange", Arguments()); }

private:
    std::unique_ptr<HostRange> range_of(const wchar_t* member, const Arguments& arguments) {
        return std::make_unique<DispatchRange>(
            dispatch::required_object_of(dispatch::get(sheet_.Get(), ObjectKind::sheet, member, arguments)));
    }

    ComPtr<IDispatch> sheet_;
};

class DispatchWorkbook final : public HostWorkbook {
public:
    explicit DispatchWorkbook(ComPtr<IDispatch> book) : book_(std::move(book)) {}

    std::u16string name() override { return dispatch::text_of(get(L"Name")); }
    void activate() override { dispatch::call_method(book_.Get(), ObjectKind::workbook, L"Activate"); }

    std::vector<std::unique_ptr<HostSheet>> worksheets() override {
        const ComPtr<IDispatch> sheets = dispatch::required_object_of(get(L"Worksheets"));
        std::vector<std::unique_ptr<HostSheet>> result;
        for (ComPtr<IDispatch>& sheet : dispatch::items_of(sheets.Get(), ObjectKind::sheets)) {
            result.push_back(std::make_unique<DispatchSheet>(std::move(sheet)));
        }
        return result;
    }

    std::unique_ptr<HostSheet> sheet(const std::u16string& name) override {
        const ComPtr<IDispatch> sheets = dispatch::required_object_of(get(L"Sheets"));
        Arguments arguments;
        arguments.text(name);
        return std::make_unique<DispatchSheet>(
            dispatch::required_object_of(dispatch::get(sheets.Get(), ObjectKind::sheets, L"Item", arguments)));
    }

    bool has_visible_window() override {
        const ComPtr<IDispatch> windows = dispatch::required_object_of(get(L"Windows"));
        for (const ComPtr<IDispatch>& window : dispatch::items_of(windows.Get(), ObjectKind::windows)) {
            if (dispatch::boolean_of(dispatch::get(window.Get(), ObjectKind::window, L"Visible"))) {
                return true;
            }
        }
        return false;
    }

private:
    Variant get(const wchar_t* name) { return dispatch::get(book_.Get(), ObjectKind::workbook, name); }

    ComPtr<IDispatch> book_;
};

class DispatchApplication final : public HostApplication {
public:
    explicit DispatchApplication(ComPtr<IDispatch> application) : application_(std::move(application)) {}

    std::shared_ptr<HostWorkbook> active_workbook() override {
        ComPtr<IDispatch> book =
            dispatch::object_of(dispatch::get(application_.Get(), ObjectKind::application, L"ActiveWorkbook"));
        if (!book) {
            return nullptr;
        }
        return std::make_shared<DispatchWorkbook>(std::move(book));
    }

    std::vector<std::shared_ptr<HostWorkbook>> workbooks() override {
        const ComPtr<IDispatch> books =
            dispatch::required_object_of(dispatch::get(application_.Get(), ObjectKind::application, L"Workbooks"));
        std::vector<std::shared_ptr<HostWorkbook>> result;
        for (ComPtr<IDispatch>& book : dispatch::items_of(books.Get(), ObjectKind::workbooks)) {
            result.push_back(std::make_shared<DispatchWorkbook>(std::move(book)));
        }
        return result;
    }

private:
    ComPtr<IDispatch> application_;
};

}  // namespace

std::shared_ptr<HostApplication> make_host_application(ComPtr<IDispatch> application) {
    if (!application) {
        return nullptr;
    }
    return std::make_shared<DispatchApplication>(std::move(application));
}

}  // namespace tarvex
