#include "support/standin_host.h"

#include <string>

namespace tarvex::testing {
namespace {

using standin::Failure;

// A stand-in failure as the host's late-bound client would report it.
HostError host_error(const Failure& f) {
    return HostError{f.hresult, f.description, u"tarvex-host"};
}

template <class F>
auto call(standin::Application& app, const char* operation, std::vector<std::u16string> args, F&& body) {
    try {
        app.enter(operation, std::move(args));
        return body();
    } catch (const Failure& f) {
        throw host_error(f);
    }
}

void check_alive(const standin::Workbook& book) {
    if (!book.open()) {
        throw Failure{standin::hr::disconnected, u"The object invoked has disconnected from its clients."};
    }
}

void check_alive(const standin::Workbook& book, const standin::Sheet& sheet) {
    check_alive(book);
    if (!sheet.alive()) {
        throw Failure{standin::hr::object_required, u"Object required"};
    }
}

class Range final : public HostRange {
public:
    Range(std::shared_ptr<standin::Application> app, std::shared_ptr<standin::Workbook> book,
          std::shared_ptr<standin::Sheet> sheet, standin::Rect rect)
        : app_(std::move(app)), book_(std::move(book)), sheet_(std::move(sheet)), rect_(rect) {}

    std::unique_ptr<HostRange> find(const std::u16string& what, const HostRange* after,
                                    const FindOptions& options) override {
        const auto* start = static_cast<const Range*>(after);
        return call(*app_, "Range.Find", {what, start ? standin::address(start->rect_) : u""},
                    [&]() -> std::unique_ptr<HostRange> {
                        check_alive(*book_, *sheet_);
                        std::optional<standin::CellPos> from;
                        if (start) {
                            from = start->rect_.top_left;
                        }
                        const auto found =
                            app_->find(*sheet_, what, rect_, from, look_in(options.look_in), look_at(options.look_at),
                                       std::nullopt, standin::Direction::next, options.match_case);
                        if (!found) {
                            return nullptr;
                        }
                        return std::make_unique<Range>(app_, book_, sheet_, standin::Rect{*found, *found});
                    });
    }

    // Like the Windows client, a cell left out of `picks` reads "", so a reader
    // that picks the wrong cells fails here too.
    CellGrid<std::u16string> formulas(const CellPicks* picks) override {
        return call(*app_, "Range.Formula", {}, [&] {
            check_alive(*book_, *sheet_);
            CellGrid<std::u16string> out =
                grid<std::u16string>([](const standin::Cell* c) { return c ? c->formula_text() : std::u16string(); });
            for (std::size_t i = 0; picks != nullptr && i < out.cells.size(); ++i) {
                if (i >= picks->size() || !(*picks)[i]) {
                    out.cells[i].clear();
                }
            }
            return out;
        });
    }

    CellGrid<ValueKind> value_kinds() override {
        return call(*app_, "Range.Value", {}, [&] {
            check_alive(*book_, *sheet_);
            return grid<ValueKind>([](const standin::Cell* c) {
                if (!c) {
                    return ValueKind::empty;
                }
                switch (c->value.kind) {
                    case standin::ValueKind::text:
                        return ValueKind::text;
                    case standin::ValueKind::error:
                        return ValueKind::error;
                    case standin::ValueKind::empty:
                        return ValueKind::empty;
                    default:
                        return ValueKind::number;
                }
            });
        });
    }

    TextGrid formula_texts() override {
        const CellGrid<std::u16string> grid = formulas(nullptr);
        TextGrid texts{grid.rows, grid.columns, {}, {}};
        for (const std::u16string& text : grid.cells) {
            texts.push_back(text);
        }
        return texts;
    }

    void set_formulas(const CellGrid<std::u16string>& formulas) override {
        call(*app_, "Range.Formula=", {u"(array)"}, [&] {
            check_alive(*book_, *sheet_);
            sheet_->write_block(rect_, formulas.cells);
        });
    }

    void set_formula(const std::u16string& formula) override {
        call(*app_, "Range.Formula=", {formula}, [&] {
            check_alive(*book_, *sheet_);
            sheet_->write_value(rect_.top_left, formula);
        });
    }

    std::u16string address() override {
        return call(*app_, "Range.Address", {}, [&] {
            check_alive(*book_, *sheet_);
            return standin::address(rect_);
        });
    }

    std::u16string text() override {
        return call(*app_, "Range.Text", {}, [&] {
            check_alive(*book_, *sheet_);
            const standin::Cell* c = sheet_->cell(rect_.top_left);
            return c ? c->display_text() : std::u16string();
        });
    }

    std::u16string formula() override {
        return call(*app_, "Range.Formula", {}, [&] {
            check_alive(*book_, *sheet_);
            const standin::Cell* c = sheet_->cell(rect_.top_left);
            return c ? c->formula_text() : std::u16string();
        });
    }

    std::optional<std::u16string> value_text() override {
        return call(*app_, "Range.Value", {}, [&]() -> std::optional<std::u16string> {
            check_alive(*book_, *sheet_);
            const standin::Cell* c = sheet_->cell(rect_.top_left);
            if (!c) {
                return std::u16string();
            }
            switch (c->value.kind) {
                case standin::ValueKind::error:
                    return std::nullopt;
                case standin::ValueKind::boolean:
                    // The platform's variant-to-text conversion of a Boolean.
                    return std::u16string(c->value.boolean ? u"True" : u"False");
                case standin::ValueKind::number:
                    return standin::general_number_text(c->value.number);
                default:
                    return c->value.text;
            }
        });
    }

    bool holds_text() override {
        return call(*app_, "Range.Value", {}, [&] {
            check_alive(*book_, *sheet_);
            const standin::Cell* c = sheet_->cell(rect_.top_left);
            return c != nullptr && c->value.kind == standin::ValueKind::text;
        });
    }

    void set_value(const std::u16string& value) override {
        call(*app_, "Range.Value=", {value}, [&] {
            check_alive(*book_, *sheet_);
            sheet_->write_value(rect_.top_left, value);
        });
    }

    void select() override {
        call(*app_, "Range.Select", {}, [&] {
            check_alive(*book_, *sheet_);
            if (app_->active_workbook() != book_ || book_->active_sheet() != sheet_) {
                throw Failure{standin::hr::application_defined, u"Select method of Range class failed"};
            }
            sheet_->select(rect_.top_left);
        });
    }

private:
    static std::optional<standin::LookIn> look_in(std::optional<LookIn> in) {
        if (!in) {
            return std::nullopt;
        }
        return *in == LookIn::values ? standin::LookIn::values : standin::LookIn::formulas;
    }
    static std::optional<standin::LookAt> look_at(std::optional<LookAt> at) {
        if (!at) {
            return std::nullopt;
        }
        return *at == LookAt::whole ? standin::LookAt::whole : standin::LookAt::part;
    }
    template <class T, class Read>
    CellGrid<T> grid(Read read) const {
        CellGrid<T> out;
        out.rows = static_cast<std::size_t>(rect_.bottom_right.row - rect_.top_left.row + 1);
        out.columns = static_cast<std::size_t>(rect_.bottom_right.col - rect_.top_left.col + 1);
        out.cells.reserve(out.rows * out.columns);
        for (std::int32_t row = rect_.top_left.row; row <= rect_.bottom_right.row; ++row) {
            for (std::int32_t col = rect_.top_left.col; col <= rect_.bottom_right.col; ++col) {
                out.cells.push_back(read(sheet_->cell(standin::CellPos{row, col})));
            }
        }
        return out;
    }

    std::shared_ptr<standin::Application> app_;
    std::shared_ptr<standin::Workbook> book_;
    std::shared_ptr<standin::Sheet> sheet_;
    standin::Rect rect_;
};

class Sheet final : public HostSheet {
public:
    Sheet(std::shared_ptr<standin::Application> app, std::shared_ptr<standin::Workbook> book,
          std::shared_ptr<standin::Sheet> sheet)
        : app_(std::move(app)), book_(std::move(book)), sheet_(std::move(sheet)) {}

    std::u16string name() override {
        return call(*app_, "Worksheet.Name", {}, [&] {
            check_alive(*book_, *sheet_);
            return sheet_->name();
        });
    }

    void activate() override {
        call(*app_, "Worksheet.Activate", {}, [&] {
            check_alive(*book_, *sheet_);
            book_->activate_sheet(sheet_);
            app_->activate(book_);
        });
    }

    std::unique_ptr<HostRange> range(const std::u16string& cell) override { return make_range(cell, nullptr); }
    std::unique_ptr<HostRange> used_range() override {
        return call(*app_, "Worksheet.UsedRange", {}, [&] {
            check_alive(*book_, *sheet_);
            return std::make_unique<Range>(app_, book_, sheet_, sheet_->used_range());
        });
    }
    std::unique_ptr<HostRange> range(const std::u16string& first, const std::u16string& last) override {
        return make_range(first, &last);
    }

private:
    std::unique_ptr<HostRange> make_range(const std::u16string& first, const std::u16string* last) {
        std::vector<std::u16string> args{first};
        if (last) {
            args.push_back(*last);
        }
        return call(*app_, "Worksheet.Range", args, [&]() -> std::unique_ptr<HostRange> {
            check_alive(*book_, *sheet_);
            if (sheet_->kind() != standin::SheetKind::worksheet) {
                throw Failure{static_cast<std::int32_t>(0x80020006), u"Unknown name."};
            }
            auto a = standin::parse_range(first);
            auto b = last ? standin::parse_range(*last) : a;
            if (!a || !b) {
                throw Failure{standin::hr::application_defined, u"Method 'Range' of object '_Worksheet' failed"};
            }
            const standin::Rect rect{
                {std::min(a->top_left.row, b->top_left.row), std::min(a->top_left.col, b->top_left.col)},
                {std::max(a->bottom_right.row, b->bottom_right.row),
                 std::max(a->bottom_right.col, b->bottom_right.col)}};
            return std::make_unique<Range>(app_, book_, sheet_, rect);
        });
    }

    std::shared_ptr<standin::Application> app_;
    std::shared_ptr<standin::Workbook> book_;
    std::shared_ptr<standin::Sheet> sheet_;
};

class Workbook final : public HostWorkbook {
public:
    Workbook(std::shared_ptr<standin::Application> app, std::shared_ptr<standin::Workbook> book)
        : app_(std::move(app)), book_(std::move(book)) {}

    std::u16string name() override {
        return call(*app_, "Workbook.Name", {}, [&] {
            check_alive(*book_);
            return book_->name();
        });
    }

    bool has_visible_window() override {
        return call(*app_, "Workbook.Windows", {}, [&] {
            check_alive(*book_);
            return book_->has_visible_window();
        });
    }

    void activate() override {
        call(*app_, "Workbook.Activate", {}, [&] {
            check_alive(*book_);
            app_->activate(book_);
        });
    }

    std::vector<std::unique_ptr<HostSheet>> worksheets() override {
        return call(*app_, "Workbook.Worksheets", {}, [&] {
            check_alive(*book_);
            std::vector<std::unique_ptr<HostSheet>> sheets;
            for (const auto& s : book_->worksheets()) {
                sheets.push_back(std::make_unique<Sheet>(app_, book_, s));
            }
            return sheets;
        });
    }

    std::unique_ptr<HostSheet> sheet(const std::u16string& name) override {
        return call(*app_, "Sheets.Item", {name}, [&] {
            check_alive(*book_);
            auto s = book_->sheet(name);
            if (!s) {
                throw Failure{standin::hr::bad_index, u"Subscript out of range"};
            }
            return std::make_unique<Sheet>(app_, book_, s);
        });
    }

private:
    std::shared_ptr<standin::Application> app_;
    std::shared_ptr<standin::Workbook> book_;
};

class Application final : public HostApplication {
public:
    explicit Application(std::shared_ptr<standin::Application> app) : app_(std::move(app)) {}

    std::shared_ptr<HostWorkbook> active_workbook() override {
        return call(*app_, "Application.ActiveWorkbook", {}, [&]() -> std::shared_ptr<HostWorkbook> {
            auto book = app_->active_workbook();
            if (!book) {
                return nullptr;
            }
            return std::make_shared<Workbook>(app_, book);
        });
    }

    std::vector<std::shared_ptr<HostWorkbook>> workbooks() override {
        return call(*app_, "Application.Workbooks", {}, [&] {
            std::vector<std::shared_ptr<HostWorkbook>> books;
            for (const auto& book : app_->workbooks()) {
                books.push_back(std::make_shared<Workbook>(app_, book));
            }
            return books;
        });
    }

private:
    std::shared_ptr<standin::Application> app_;
};

}  // namespace

std::shared_ptr<HostApplication> make_standin_host(std::shared_ptr<standin::Application> app) {
    return std::make_shared<Application>(std::move(app));
}

std::shared_ptr<standin::Workbook> add_book(standin::Application& app, const char* text, const char16_t* name) {
    return app.add_workbook(standin::Workbook::load(text, name));
}

}  // namespace tarvex::testing
