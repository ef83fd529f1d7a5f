// A workbook's Windows collection and its windows. The model gives every workbook
// one window, shown or hidden with the workbook (a personal macro workbook's is
// hidden); a client asks them whether the user can see the workbook at all.
#include <utility>

#include "com/objects_win.h"

namespace standin::com {
namespace {

class WindowObject final : public Dispatchable<WindowObject> {
public:
    WindowObject(std::shared_ptr<Application> app, std::shared_ptr<Workbook> book)
        : Dispatchable(std::move(app)), book_(std::move(book)) {}

    std::span<const Member<WindowObject>> members() const;
    std::u16string describe() const override { return book_->name(); }

private:
    static const Member<WindowObject> member_table_[];

    std::string_view kind() const override { return "Window"; }
    void check_alive() const override { com::check_alive(*book_); }

    // The host captions a workbook's only window with the workbook's name.
    Variant caption(Arguments&) { return Variant::of_text(book_->name()); }
    Variant visible(Arguments&) { return Variant::of_boolean(book_->has_visible_window()); }

    std::shared_ptr<Workbook> book_;
};

class WindowsObject final : public Dispatchable<WindowsObject> {
public:
    WindowsObject(std::shared_ptr<Application> app, std::shared_ptr<Workbook> book)
        : Dispatchable(std::move(app)), book_(std::move(book)) {}

    std::span<const Member<WindowsObject>> members() const;
    std::u16string describe() const override { return u"Windows"; }

private:
    static const Member<WindowsObject> member_table_[];

    std::string_view kind() const override { return "Windows"; }
    void check_alive() const override { com::check_alive(*book_); }

    Variant count(Arguments&) { return Variant::of_integer(1); }
    // By 1-based index or by caption, as the host's Windows(...) takes either.
    Variant item(Arguments& args) {
        const bool found =
            args.at(0).vt == VT_BSTR ? tarvex::equals_ignore_case(args.text(0), book_->name()) : args.integer(0) == 1;
        if (!found) {
            fail(hr::bad_index, subscript_out_of_range);
        }
        return Variant::of_object(make_object<WindowObject>(shared_app(), book_));
    }
    Variant new_enum(Arguments&) {
        std::vector<Variant> windows;
        windows.push_back(Variant::of_object(make_object<WindowObject>(shared_app(), book_)));
        return Variant::of_unknown(make_enumerator(std::move(windows)));
    }

    std::shared_ptr<Workbook> book_;
};

const Member<WindowObject> WindowObject::member_table_[] = {
    {read_only("Caption", 1), &WindowObject::caption},
    {read_only("Visible", 2), &WindowObject::visible},
};
std::span<const Member<WindowObject>> WindowObject::members() const {
    return member_table_;
}

const Member<WindowsObject> WindowsObject::member_table_[] = {
    {read_only("Count", 1), &WindowsObject::count},
    {method("Item", DISPID_VALUE, 1), &WindowsObject::item},
    {read_only("_NewEnum", DISPID_NEWENUM), &WindowsObject::new_enum},
};
std::span<const Member<WindowsObject>> WindowsObject::members() const {
    return member_table_;
}

}  // namespace

ComPtr<IDispatch> make_windows_object(std::shared_ptr<Application> app, std::shared_ptr<Workbook> book) {
    return make_object<WindowsObject>(std::move(app), std::move(book));
}

}  // namespace standin::com
