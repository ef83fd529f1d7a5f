#include "settings/registry_routines.h"

#include <memory>

#include "settings/error_report.h"

namespace tarvex {

bool UpdateKey(SettingsContext& s, RegistryRoot root, const std::u16string& path, const std::u16string& name,
               const std::u16string& value) {
    Steps steps = reporting_steps(s.messages, ReportShape::with_line, u": UpdateKey");
    std::optional<Registry::Key> key;
    if (steps.run(1, [&] { key = s.registry.create_key(root, path, settings_access); }) == Steps::Outcome::abort) {
        return false;
    }
    if (!key) {
        return false;
    }
    const OpenKey open(s.registry, *key);
    // An empty text is never stored, so that reading it back cannot be confused
    // with a value that was never written.
    std::u16string stored = value;
    if (steps.run(2, [&] {
            if (stored.empty()) {
                stored = u" ";
            }
        }) == Steps::Outcome::abort) {
        return false;
    }
    bool written = false;
    if (steps.run(3, [&] { written = s.registry.set_text(open.get(), name, stored); }) == Steps::Outcome::abort) {
        return false;
    }
    return written;
}

std::u16string GetKeyValue(SettingsContext& s, RegistryRoot root, const std::u16string& path,
                           const std::u16string& name) {
    Steps steps = reporting_steps(s.messages, ReportShape::with_line, u": GetKeyValue");
    std::optional<Registry::Key> key;
    if (steps.run(1, [&] { key = s.registry.open_key(root, path, settings_access); }) == Steps::Outcome::abort ||
        !key) {
        return std::u16string();
    }
    const OpenKey open(s.registry, *key);
    std::optional<RegistryValue> value;
    if (steps.run(2, [&] { value = s.registry.query_value(open.get(), name); }) == Steps::Outcome::abort || !value) {
        return std::u16string();
    }
    std::u16string text;
    steps.run(3, [&] { text = registry_value_text(*value); });
    return text;
}

}  // namespace tarvex
