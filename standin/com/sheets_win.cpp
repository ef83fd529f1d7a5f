// The sheets collections of a workbook and the sheets themselves: worksheets, and
// chart sheets, which answer only for their name and activation.
#include <algorithm>
#include <utility>

#include "com/objects_win.h"

namespace standin::com {
namespace {

class SheetsObject final : public Dispatchable<SheetsObject> {
public:
    SheetsObject(std::shared_ptr<Application> app, std::shared_ptr<Workbook> book, bool worksheets_only)
        : Dispatchable(std::move(app)), book_(std::move(book)), worksheets_only_(worksheets_only) {}

    std::span<const Member<SheetsObject>> members() const;
    std::u16string describe() const override { return worksheets_only_ ? u"Worksheets" : u"Sheets"; }

private:
    static const Member<SheetsObject> member_table_[];

    // Worksheets hands out the same Sheets collection type as Sheets, only filtered.
    std::string_view kind() const override { return "Sheets"; }
    void check_alive() const override { com::check_alive(*book_); }

    std::vector<std::shared_ptr<Sheet>> items() const {
        return worksheets_only_ ? book_->worksheets() : book_->sheets();
    }
    Variant count(Arguments&) { return Variant::of_integer(static_cast<std::int32_t>(items().size())); }
    Variant item(Arguments& args) {
        return Variant::of_object(make_sheet_object(shared_app(), book_, item_at(items(), args)));
    }
    Variant new_enum(Arguments&) {
        std::vector<Variant> objects;
        for (auto& sheet : items()) {
            objects.push_back(Variant::of_object(make_sheet_object(shared_app(), book_, std::move(sheet))));
        }
        return Variant::of_unknown(make_enumerator(std::move(objects)));
    }

    std::shared_ptr<Workbook> book_;
    bool worksheets_only_;
};

class SheetObject final : public Dispatchable<SheetObject> {
public:
    SheetObject(std::shared_ptr<Application> app, std::shared_ptr<Workbook> book, std::shared_ptr<Sheet> sheet)
        : Dispatchable(std::move(app)), book_(std::move(book)), sheet_(std::move(sheet)) {}

    std::span<const Member<SheetObject>> members() const;
    std::u16string describe() const override { return sheet_->name(); }

private:
    static const Member<SheetObject> worksheet_members_[];
    static const Member<SheetObject> chart_members_[];

    bool is_worksheet() const { return sheet_->kind() == SheetKind::worksheet; }
    std::string_view kind() const override { return is_worksheet() ? "Worksheet" : "Chart"; }
    void check_alive() const override { com::check_alive(*book_, *sheet_); }

    Variant name(Arguments&) { return Variant::of_text(sheet_->name()); }
    Variant activate(Arguments&) {
        book_->activate_sheet(sheet_);
        app().activate(book_);
        return Variant();
    }
    Variant range(Arguments& args) {
        Rect area = corner(args, 0);
        if (!args.omitted(1)) {
            const Rect other = corner(args, 1);
            area =
                Rect{{std::min(area.top_left.row, other.top_left.row), std::min(area.top_left.col, other.top_left.col)},
                     {std::max(area.bottom_right.row, other.bottom_right.row),
                      std::max(area.bottom_right.col, other.bottom_right.col)}};
        }
        return Variant::of_object(make_range_object(shared_app(), book_, sheet_, area));
    }
    Variant used_range(Arguments&) {
        return Variant::of_object(make_range_object(shared_app(), book_, sheet_, sheet_->used_range()));
    }
    // Cell1 or Cell2 of Range: an address text, or a Range of this sheet.
    Rect corner(const Arguments& args, std::size_t position) const {
        if (args.at(position).vt == VT_DISPATCH) {
            const std::optional<RangeRef> ref = range_of(args.at(position));
            if (!ref) {
                throw ArgumentError{DISP_E_TYPEMISMATCH, position};
            }
            if (ref->sheet != sheet_) {
                fail(hr::application_defined, range_method_failed);
            }
            return ref->area;
        }
        const std::optional<Rect> parsed = parse_range(args.text(position));
        if (!parsed) {
            fail(hr::application_defined, range_method_failed);
        }
        return *parsed;
    }

    std::shared_ptr<Workbook> book_;
    std::shared_ptr<Sheet> sheet_;
};

const Member<SheetsObject> SheetsObject::member_table_[] = {
    {read_only("Count", 1), &SheetsObject::count},
    {method("Item", DISPID_VALUE, 1), &SheetsObject::item},
    {read_only("_NewEnum", DISPID_NEWENUM), &SheetsObject::new_enum},
};
std::span<const Member<SheetsObject>> SheetsObject::members() const {
    return member_table_;
}

const Member<SheetObject> SheetObject::worksheet_members_[] = {
    {read_only("Name", 1), &SheetObject::name},
    {method("Activate", 2), &SheetObject::activate},
    {method("Range", 3, 1, 2), &SheetObject::range},
    {read_only("UsedRange", 4), &SheetObject::used_range},
};
const Member<SheetObject> SheetObject::chart_members_[] = {
    {read_only("Name", 1), &SheetObject::name},
    {method("Activate", 2), &SheetObject::activate},
};
std::span<const Member<SheetObject>> SheetObject::members() const {
    if (is_worksheet()) {
        return worksheet_members_;
    }
    return chart_members_;
}

}  // namespace

ComPtr<IDispatch> make_sheets_object(std::shared_ptr<Application> app, std::shared_ptr<Workbook> book,
                                     bool worksheets_only) {
    return make_object<SheetsObject>(std::move(app), std::move(book), worksheets_only);
}

ComPtr<IDispatch> make_sheet_object(std::shared_ptr<Application> app, std::shared_ptr<Workbook> book,
                                    std::shared_ptr<Sheet> sheet) {
    return make_object<SheetObject>(std::move(app), std::move(book), std::move(sheet));
}

}  // namespace standin::com
