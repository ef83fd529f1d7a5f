// Application, its Workbooks collection and Workbook: the top of the object model.
#include <utility>

#include "com/object_model_win.h"
#include "com/objects_win.h"

namespace standin {

const IID iid_host_application = {0x000208D5, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace com {
namespace {

class ApplicationObject final : public Dispatchable<ApplicationObject> {
public:
    explicit ApplicationObject(std::shared_ptr<Application> app) : Dispatchable(std::move(app)) {}

    std::span<const Member<ApplicationObject>> members() const;
    std::u16string describe() const override { return u"Application"; }

private:
    static const Member<ApplicationObject> member_table_[];

    std::string_view kind() const override { return "Application"; }
    bool answers(REFIID iid) const override { return IsEqualIID(iid, iid_host_application); }

    Variant active_workbook(Arguments&) {
        std::shared_ptr<Workbook> book = app().active_workbook();
        if (!book) {
            return Variant::of_object(nullptr);
        }
        return Variant::of_object(make_workbook_object(shared_app(), std::move(book)));
    }
    Variant workbooks(Arguments&);
};

class WorkbooksObject final : public Dispatchable<WorkbooksObject> {
public:
    explicit WorkbooksObject(std::shared_ptr<Application> app) : Dispatchable(std::move(app)) {}

    std::span<const Member<WorkbooksObject>> members() const;
    std::u16string describe() const override { return u"Workbooks"; }

private:
    static const Member<WorkbooksObject> member_table_[];

    std::string_view kind() const override { return "Workbooks"; }

    Variant count(Arguments&) { return Variant::of_integer(static_cast<std::int32_t>(app().workbooks().size())); }
    Variant item(Arguments& args) {
        return Variant::of_object(make_workbook_object(shared_app(), item_at(app().workbooks(), args)));
    }
    Variant new_enum(Arguments&) {
        std::vector<Variant> items;
        for (const auto& book : app().workbooks()) {
            items.push_back(Variant::of_object(make_workbook_object(shared_app(), book)));
        }
        return Variant::of_unknown(make_enumerator(std::move(items)));
    }
};

class WorkbookObject final : public Dispatchable<WorkbookObject> {
public:
    WorkbookObject(std::shared_ptr<Application> app, std::shared_ptr<Workbook> book)
        : Dispatchable(std::move(app)), book_(std::move(book)) {}

    std::span<const Member<WorkbookObject>> members() const;
    std::u16string describe() const override { return book_->name(); }

private:
    static const Member<WorkbookObject> member_table_[];

    std::string_view kind() const override { return "Workbook"; }
    void check_alive() const override { com::check_alive(*book_); }

    Variant name(Arguments&) { return Variant::of_text(book_->name()); }
    Variant activate(Arguments&) {
        app().activate(book_);
        return Variant();
    }
    Variant worksheets(Arguments&) { return Variant::of_object(make_sheets_object(shared_app(), book_, true)); }
    Variant sheets(Arguments&) { return Variant::of_object(make_sheets_object(shared_app(), book_, false)); }
    Variant windows(Arguments&) { return Variant::of_object(make_windows_object(shared_app(), book_)); }
    // SaveChanges, Filename and RouteWorkbook are accepted; the stand-in has nothing to save to.
    Variant close(Arguments&) {
        app().close(book_);
        return Variant();
    }

    std::shared_ptr<Workbook> book_;
};

Variant ApplicationObject::workbooks(Arguments&) {
    return Variant::of_object(make_object<WorkbooksObject>(shared_app()));
}

const Member<ApplicationObject> ApplicationObject::member_table_[] = {
    {read_only("ActiveWorkbook", 1), &ApplicationObject::active_workbook},
    {collection("Workbooks", 2), &ApplicationObject::workbooks},
};
std::span<const Member<ApplicationObject>> ApplicationObject::members() const {
    return member_table_;
}

const Member<WorkbooksObject> WorkbooksObject::member_table_[] = {
    {read_only("Count", 1), &WorkbooksObject::count},
    {method("Item", DISPID_VALUE, 1), &WorkbooksObject::item},
    {read_only("_NewEnum", DISPID_NEWENUM), &WorkbooksObject::new_enum},
};
std::span<const Member<WorkbooksObject>> WorkbooksObject::members() const {
    return member_table_;
}

const Member<WorkbookObject> WorkbookObject::member_table_[] = {
    {read_only("Name", 1), &WorkbookObject::name},
    {method("Activate", 2), &WorkbookObject::activate},
    {collection("Worksheets", 3), &WorkbookObject::worksheets},
    {collection("Sheets", 4), &WorkbookObject::sheets},
    {method("Close", 5, 0, 3), &WorkbookObject::close},
    {collection("Windows", 6), &WorkbookObject::windows},
};
std::span<const Member<WorkbookObject>> WorkbookObject::members() const {
    return member_table_;
}

}  // namespace

ComPtr<IDispatch> make_workbook_object(std::shared_ptr<Application> app, std::shared_ptr<Workbook> book) {
    return make_object<WorkbookObject>(std::move(app), std::move(book));
}

}  // namespace com

Microsoft::WRL::ComPtr<IDispatch> make_application_object(std::shared_ptr<Application> app) {
    return com::make_object<com::ApplicationObject>(std::move(app));
}

}  // namespace standin
