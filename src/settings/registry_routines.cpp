#include "settings/registry_routines.h"

#include "settings/error_report.h"

namespace tarvex {
namespace {

constexpr std::u16string_view update_tag = u": UpdateKey";
constexpr std::u16string_view read_tag = u": GetKeyValue";

std::optional<Registry::Key> open_or_create(SettingsContext& s, RegistryRoot root, const std::u16string& path,
                                            bool create) {
    Steps steps = reporting_steps(s.messages, ReportShape::with_line, create ? update_tag : read_tag);
    std::optional<Registry::Key> key;
    if (steps.run(1, [&] {
            key = create ? s.registry.create_key(root, path, settings_access)
                         : s.registry.open_key(root, path, settings_access);
        }) == Steps::Outcome::abort) {
        return std::nullopt;
    }
    return key;
}

}  // namespace

SettingsKey SettingsKey::open(SettingsContext& s, RegistryRoot root, const std::u16string& path) {
    return SettingsKey(s, open_or_create(s, root, path, false));
}

SettingsKey SettingsKey::create(SettingsContext& s, RegistryRoot root, const std::u16string& path) {
    return SettingsKey(s, open_or_create(s, root, path, true));
}

SettingsKey::SettingsKey(SettingsKey&& other) noexcept : settings_(other.settings_), key_(other.key_) {
    other.key_.reset();
}

SettingsKey::~SettingsKey() {
    if (key_) {
        settings_->registry.close(*key_);
    }
}

std::u16string SettingsKey::get(const std::u16string& name) {
    if (!key_) {
        return std::u16string();
    }
    Steps steps = reporting_steps(settings_->messages, ReportShape::with_line, read_tag);
    std::optional<RegistryValue> value;
    if (steps.run(2, [&] { value = settings_->registry.query_value(*key_, name); }) == Steps::Outcome::abort ||
        !value) {
        return std::u16string();
    }
    std::u16string text;
    steps.run(3, [&] { text = registry_value_text(*value); });
    return text;
}

bool SettingsKey::set(const std::u16string& name, const std::u16string& value) {
    if (!key_) {
        return false;
    }
    Steps steps = reporting_steps(settings_->messages, ReportShape::with_line, update_tag);
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
    if (steps.run(3, [&] { written = settings_->registry.set_text(*key_, name, stored); }) == Steps::Outcome::abort) {
        return false;
    }
    return written;
}

bool UpdateKey(SettingsContext& s, RegistryRoot root, const std::u16string& path, const std::u16string& name,
               const std::u16string& value) {
    return SettingsKey::create(s, root, path).set(name, value);
}

std::u16string GetKeyValue(SettingsContext& s, RegistryRoot root, const std::u16string& path,
                           const std::u16string& name) {
    return SettingsKey::open(s, root, path).get(name);
}

}  // namespace tarvex
