#pragma once
// The spreadsheet host as the core sees it: the few objects and operations the
// commands use. The DLL implements these ports with late-bound IDispatch calls;
// native tests implement them over the stand-in model directly.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"

namespace tarvex {

class HostRange {
public:
    virtual ~HostRange() = default;
    // Range.Find forwards, ignoring case, the other options as the host holds them;
    // nullptr when no cell matches.
    virtual std::unique_ptr<HostRange> find(const std::u16string& what, const HostRange* after) = 0;
    virtual std::u16string address() = 0;
    virtual std::u16string text() = 0;
    virtual std::u16string formula() = 0;
    // The value's text form, or nullopt for an error value.
    virtual std::optional<std::u16string> value_text() = 0;
    // Whether the value is a text (and not a number, date, Boolean or error that
    // only shows as one): what an undo needs to write a text back as a text.
    virtual bool holds_text() = 0;
    virtual void set_value(const std::u16string& value) = 0;
    virtual void select() = 0;
};

class HostSheet {
public:
    virtual ~HostSheet() = default;
    virtual std::u16string name() = 0;
    virtual void activate() = 0;
    virtual std::unique_ptr<HostRange> range(const std::u16string& cell) = 0;
    virtual std::unique_ptr<HostRange> range(const std::u16string& first, const std::u16string& last) = 0;
};

class HostWorkbook {
public:
    virtual ~HostWorkbook() = default;
    virtual void activate() = 0;
    // The worksheets (not chart sheets) in tab order.
    virtual std::vector<std::unique_ptr<HostSheet>> worksheets() = 0;
    // Sheets(name): any sheet of that name.
    virtual std::unique_ptr<HostSheet> sheet(const std::u16string& name) = 0;
};

class HostApplication {
public:
    virtual ~HostApplication() = default;
    // nullptr when no workbook is open.
    virtual std::shared_ptr<HostWorkbook> active_workbook() = 0;
};

}  // namespace tarvex
