#pragma once
// UpdateKey and GetKeyValue: the settings store's only way in and out of the
// registry. Every call opens and closes its own key; nothing is cached.
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

}  // namespace tarvex
