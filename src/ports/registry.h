#pragma once
// The registry as the settings store sees it: the five calls it makes, with the
// platform's semantics (names compare case-insensitively; a missing key or value is
// an ordinary failure result, never an exception).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvex {

using RegistryRoot = std::uint32_t;
inline constexpr RegistryRoot hkey_current_user = 0x80000001u;
inline constexpr RegistryRoot hkey_local_machine = 0x80000002u;

// KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS |
// KEY_NOTIFY | KEY_CREATE_LINK | READ_CONTROL: what the settings store asks for.
inline constexpr std::uint32_t settings_access = 0x2003Fu;
inline constexpr std::uint32_t key_read = 0x20019u;

namespace reg_type {
inline constexpr std::uint32_t none = 0;
inline constexpr std::uint32_t sz = 1;
inline constexpr std::uint32_t expand_sz = 2;
inline constexpr std::uint32_t binary = 3;
inline constexpr std::uint32_t dword = 4;
inline constexpr std::uint32_t multi_sz = 7;
}  // namespace reg_type

struct RegistryValue {
    std::uint32_t type = reg_type::none;
    std::vector<std::uint8_t> data;
};

class Registry {
public:
    using Key = std::uintptr_t;

    virtual ~Registry() = default;
    // Creates the key (and every missing key on the path) or opens it.
    virtual std::optional<Key> create_key(RegistryRoot root, const std::u16string& path, std::uint32_t access) = 0;
    virtual std::optional<Key> open_key(RegistryRoot root, const std::u16string& path, std::uint32_t access) = 0;
    // The whole value, whatever its length.
    virtual std::optional<RegistryValue> query_value(Key key, const std::u16string& name) = 0;
    // A REG_SZ value: the text with its terminating NUL.
    virtual bool set_text(Key key, const std::u16string& name, const std::u16string& text) = 0;
    virtual void close(Key key) = 0;
};

// Closes the key it holds when it goes out of scope.
class OpenKey {
public:
    OpenKey(Registry& registry, Registry::Key key) : registry_(&registry), key_(key) {}
    ~OpenKey() { registry_->close(key_); }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    Registry::Key get() const { return key_; }

private:
    Registry* registry_;
    Registry::Key key_;
};

// A value's text as the settings store reads it: REG_SZ and REG_EXPAND_SZ as
// stored (cut at the first NUL, references unexpanded), REG_DWORD as its decimal
// text, anything else (or a value of the wrong size) as the empty text.
std::u16string registry_value_text(const RegistryValue& value);

}  // namespace tarvex
