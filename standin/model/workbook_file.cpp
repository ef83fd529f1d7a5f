// The stand-in's workbook files: plain UTF-8 text that a person can write and
// read (standin/README.md describes the format). Loading is strict, so a typo in
// a sample shows up as an error naming its line instead of as a missing match.
#include <iterator>
#include <utility>

#include "base/text.h"
#include "model/model_detail.h"

namespace standin {

namespace {

std::u16string quoted(std::u16string_view text) {
    return u"'" + std::u16string(text) + u"'";
}

std::u16string escape(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (const char16_t c : text) {
        switch (c) {
            case u'\\':
                out += u"\\\\";
                break;
            case u'|':
                out += u"\\|";
                break;
            case u'\n':
                out += u"\\n";
                break;
            case u'\r':
                out += u"\\r";
                break;
            case u'\t':
                out += u"\\t";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

class Loader {
public:
    explicit Loader(std::u16string default_name) : default_name_(std::move(default_name)) {}

    std::unique_ptr<Workbook> run(std::u16string_view text) {
        if (!text.empty() && text.front() == u'\xFEFF') {
            text.remove_prefix(1);  // a byte order mark some editors write
        }
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t end = text.find(u'\n', pos);
            if (end == std::u16string_view::npos) {
                end = text.size();
            }
            std::u16string_view line = text.substr(pos, end - pos);
            pos = end + 1;
            ++line_;
            if (!line.empty() && line.back() == u'\r') {
                line.remove_suffix(1);
            }
            const std::size_t first = line.find_first_not_of(u" \t");
            if (first == std::u16string_view::npos || line[first] == u'#') {
                continue;
            }
            read_line(line);
        }
        workbook();
        if (active_) {
            line_ = active_line_;
            const auto sheet = book_->sheet(*active_);
            if (!sheet) {
                error(u"no sheet named " + quoted(*active_));
            }
            book_->activate_sheet(sheet);
        }
        book_->set_visible(!hidden_);
        return std::move(book_);
    }

private:
    [[noreturn]] void error(const std::u16string& what) const {
        detail::fail(hr::application_defined, u"line " + tarvex::decimal(line_) + u": " + what);
    }

    Workbook& workbook() {
        if (!book_) {
            book_ = std::make_unique<Workbook>(default_name_);
        }
        return *book_;
    }

    // The fields of a line, split at '|' and with their escapes resolved. With
    // split false the whole text is one field and a bare '|' is an ordinary character.
    std::vector<std::u16string> fields(std::u16string_view text, bool split) const {
        std::vector<std::u16string> result(1);
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char16_t c = text[i];
            if (c == u'|' && split) {
                result.emplace_back();
            } else if (c != u'\\') {
                result.back().push_back(c);
            } else if (++i == text.size()) {
                error(u"the line ends with a lone backslash");
            } else {
                switch (text[i]) {
                    case u'\\':
                    case u'|':
                        result.back().push_back(text[i]);
                        break;
                    case u'n':
                        result.back().push_back(u'\n');
                        break;
                    case u'r':
                        result.back().push_back(u'\r');
                        break;
                    case u't':
                        result.back().push_back(u'\t');
                        break;
                    default:
                        error(u"unknown escape \\" + std::u16string(1, text[i]));
                }
            }
        }
        return result;
    }

    void read_line(std::u16string_view line) {
        const std::size_t space = line.find(u' ');
        const std::u16string_view word = line.substr(0, space);
        const std::u16string argument =
            space == std::u16string_view::npos ? std::u16string() : fields(line.substr(space + 1), false).front();
        const bool first = !started_;
        started_ = true;
        if (word == u"workbook") {
            if (!first) {
                error(u"workbook must be the first line");
            }
            if (argument.empty()) {
                error(u"workbook needs a name");
            }
            book_ = std::make_unique<Workbook>(argument);
        } else if (word == u"sheet" || word == u"chart") {
            add_sheet(argument, word == u"sheet" ? SheetKind::worksheet : SheetKind::chart);
        } else if (word == u"hidden") {
            if (!argument.empty()) {
                error(u"hidden takes nothing after it");
            }
            hidden_ = true;
        } else if (word == u"active") {
            if (active_) {
                error(u"active is given twice");
            }
            if (argument.empty()) {
                error(u"active needs a sheet name");
            }
            active_ = argument;
            active_line_ = line_;
        } else if (word == u"selected") {
            const auto p = parse_cell(argument);
            if (!p) {
                error(quoted(argument) + u" is not a cell address");
            }
            worksheet().select(*p);
        } else {
            read_cell(line);
        }
    }

    void add_sheet(const std::u16string& name, SheetKind kind) {
        if (name.empty()) {
            error(u"a sheet needs a name");
        }
        if (workbook().sheet(name)) {
            error(u"there is already a sheet named " + quoted(name));
        }
        sheet_ = &workbook().add_sheet(name, kind);
    }

    Sheet& worksheet() const {
        if (!sheet_) {
            error(u"no sheet has been started");
        }
        if (sheet_->kind() != SheetKind::worksheet) {
            error(u"chart sheet " + quoted(sheet_->name()) + u" has no cells");
        }
        return *sheet_;
    }

    void read_cell(std::u16string_view line) {
        const auto parts = fields(line, true);
        if (parts.size() < 2) {
            error(u"expected <cell>|<input>, or one of workbook, sheet, chart, active, selected");
        }
        const auto p = parse_cell(parts[0]);
        if (!p) {
            error(quoted(parts[0]) + u" is not a cell address");
        }
        Sheet& sheet = worksheet();
        if (sheet.cell(*p)) {
            error(u"cell " + detail::relative_address(*p) + u" is given twice");
        }
        auto cell = parse_typed_input(parts[1]);
        if (!cell) {
            error(quoted(parts[1]) + u" is not a valid formula");
        }
        bool seen[3] = {false, false, false};
        static constexpr std::u16string_view keys[] = {u"format", u"value", u"text"};
        for (std::size_t i = 2; i < parts.size(); ++i) {
            const std::u16string_view part = parts[i];
            const std::size_t equals = part.find(u'=');
            std::size_t key = std::size(keys);
            for (std::size_t k = 0; k < std::size(keys) && equals != std::u16string_view::npos; ++k) {
                if (part.substr(0, equals) == keys[k]) {
                    key = k;
                }
            }
            if (key == std::size(keys)) {
                error(quoted(part) + u" is not format=, value= or text=");
            }
            if (seen[key]) {
                error(std::u16string(keys[key]) + u"= is given twice");
            }
            seen[key] = true;
            const std::u16string_view given = part.substr(equals + 1);
            if (key == 0) {
                cell->number_format = std::u16string(given);
            } else if (key == 1) {
                if (!cell->has_formula()) {
                    error(u"value= is only for formula cells");
                }
                const auto value = parse_typed_input(given);
                if (!value || value->has_formula()) {
                    error(u"value= takes a value, not a formula");
                }
                cell->value = value->value;
            } else {
                cell->display_override = std::u16string(given);
            }
        }
        sheet.set_cell(*p, std::move(*cell));
    }

    std::u16string default_name_;
    std::unique_ptr<Workbook> book_;
    Sheet* sheet_ = nullptr;
    std::optional<std::u16string> active_;
    int active_line_ = 0;
    bool hidden_ = false;
    int line_ = 0;
    bool started_ = false;
};

}  // namespace

std::unique_ptr<Workbook> Workbook::load(std::string_view utf8_text, std::u16string default_name) {
    return Loader(std::move(default_name)).run(tarvex::utf8_to_utf16(utf8_text));
}

std::string Workbook::save() const {
    std::u16string out = u"workbook " + escape(name_) + u"\n";
    if (!visible_) {
        out += u"hidden\n";
    }
    if (active_sheet_) {
        out += u"active " + escape(active_sheet_->name()) + u"\n";
    }
    for (const auto& sheet : sheets_) {
        out += (sheet->kind() == SheetKind::worksheet ? u"sheet " : u"chart ") + escape(sheet->name()) + u"\n";
        if (sheet->kind() != SheetKind::worksheet) {
            continue;
        }
        const CellPos selected = sheet->selection();
        if (selected != CellPos{} && detail::inside_grid(selected)) {
            out += u"selected " + detail::relative_address(selected) + u"\n";
        }
        for (const auto& [key, cell] : sheet->cells()) {
            out += detail::relative_address(detail::key_position(key)) + u"|";
            if (cell.has_formula()) {
                out += escape(cell.formula);
                // The value is written only when loading would not arrive at it by itself.
                const auto fresh = parse_typed_input(cell.formula);
                if (!fresh || fresh->value != cell.value) {
                    out += u"|value=" + escape(detail::typed_form(cell.value));
                }
            } else {
                out += escape(detail::typed_form(cell.value));
            }
            if (cell.number_format != u"General") {
                out += u"|format=" + escape(cell.number_format);
            }
            if (cell.display_override) {
                out += u"|text=" + escape(*cell.display_override);
            }
            out += u"\n";
        }
    }
    return tarvex::utf16_to_utf8(out);
}

}  // namespace standin
