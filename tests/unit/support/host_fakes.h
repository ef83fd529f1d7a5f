#pragma once
// Bases for hand-written host fakes: every operation answers as a host object
// that does not support it (error 438), so a fake overrides only what its test
// is about and any other call fails loudly.
#include <memory>
#include <string>
#include <vector>

#include "ports/host.h"

namespace tarvex::testing {

[[noreturn]] inline void unsupported() {
    throw HostError{static_cast<std::int32_t>(0x800A01B6), u"Object doesn't support this property or method",
                    u"fake host"};
}

class FakeRangeBase : public HostRange {
public:
    std::unique_ptr<HostRange> find(const std::u16string&, const HostRange*, const FindOptions&) override {
        unsupported();
    }
    std::u16string address() override { unsupported(); }
    std::u16string text() override { unsupported(); }
    std::u16string formula() override { unsupported(); }
    std::optional<std::u16string> value_text() override { unsupported(); }
    bool holds_text() override { unsupported(); }
    void set_value(const std::u16string&) override { unsupported(); }
    void set_formula(const std::u16string&) override { unsupported(); }
    void select() override { unsupported(); }
    CellGrid<std::u16string> formulas(const CellPicks*) override { unsupported(); }
    TextGrid formula_texts() override { unsupported(); }
    CellGrid<ValueKind> value_kinds() override { unsupported(); }
    void set_formulas(const CellGrid<std::u16string>&) override { unsupported(); }
};

class FakeSheetBase : public HostSheet {
public:
    std::u16string name() override { unsupported(); }
    void activate() override { unsupported(); }
    std::unique_ptr<HostRange> range(const std::u16string&) override { unsupported(); }
    std::unique_ptr<HostRange> range(const std::u16string&, const std::u16string&) override { unsupported(); }
    std::unique_ptr<HostRange> used_range() override { unsupported(); }
};

class FakeWorkbookBase : public HostWorkbook {
public:
    std::u16string name() override { unsupported(); }
    void activate() override { unsupported(); }
    std::vector<std::unique_ptr<HostSheet>> worksheets() override { unsupported(); }
    std::unique_ptr<HostSheet> sheet(const std::u16string&) override { unsupported(); }
    bool has_visible_window() override { return true; }
};

class FakeApplicationBase : public HostApplication {
public:
    std::shared_ptr<HostWorkbook> active_workbook() override { unsupported(); }
    std::vector<std::shared_ptr<HostWorkbook>> workbooks() override { unsupported(); }
};

}  // namespace tarvex::testing
