#pragma once
// UpdateKey and GetKeyValue: the settings store's only way in and out of the
// registry. Every call opens and closes its own key; nothing is cached. A routine
// that reads or writes many values of one key (the recent lists) holds it open
// for its duration through SettingsKey, with the same semantics per value.
#include <optional>
#include <string>

#include "ports/registry.h"
#include "ports/controls.h"

namespace tarvex {

// What the settings routines work with.
struct SettingsContext {
    Registry& registry;
    MessageBoxes& messages;
    // The user's decimal separator, for column widths stored as numbers.
    char16_t decimal_separator = u'.';
};

// The application key under HKEY_CURRENT_USER.
inline constexpr char16_t application_key[] = u"Software\\Pellwick\\Tarvex";

// Creates the key where needed and writes one text value; an empty text is stored
// as a single space. False when the key cannot be created or the value written.
bool UpdateKey(SettingsContext& settings, RegistryRoot root, const std::u16string& path, const std::u16string& name,
               const std::u16string& value);

// The value as text (see registry_value_text), or the empty text when nothing
// usable is stored. Never creates anything.
std::u16string GetKeyValue(SettingsContext& settings, RegistryRoot root, const std::u16string& path,
                           const std::u16string& name);

// One key held open by a routine. Its reads and writes behave exactly as
// GetKeyValue and UpdateKey do (and report their failures the same way); a key
// that could not be opened reads every value as empty and writes nothing.
class SettingsKey {
public:
    // Opens an existing key; never creates anything.
    static SettingsKey open(SettingsContext& settings, RegistryRoot root, const std::u16string& path);
    // Creates the key where needed.
    static SettingsKey create(SettingsContext& settings, RegistryRoot root, const std::u16string& path);

    SettingsKey(SettingsKey&& other) noexcept;
    SettingsKey& operator=(SettingsKey&&) = delete;
    SettingsKey(const SettingsKey&) = delete;
    ~SettingsKey();

    bool is_open() const { return key_.has_value(); }
    std::u16string get(const std::u16string& name);
    bool set(const std::u16string& name, const std::u16string& value);

private:
    SettingsKey(SettingsContext& settings, std::optional<Registry::Key> key) : settings_(&settings), key_(key) {}
    SettingsContext* settings_;
    std::optional<Registry::Key> key_;
};

}  // namespace tarvex
