#pragma once
// An in-memory registry with the platform's semantics: key and value names compare
// case-insensitively but keep their spelling, a missing key differs from a missing
// value, values keep their type and bytes, and handles must be closed. It counts
// calls and can make a chosen call throw, standing in for a failure inside a
// routine (the kind the error reports are for).
#include <map>
#include <set>
#include <string>

#include "ports/registry.h"

namespace tarvex::testing {

class FakeRegistry final : public Registry {
public:
    std::optional<Key> create_key(RegistryRoot root, const std::u16string& path, std::uint32_t access) override;
    std::optional<Key> open_key(RegistryRoot root, const std::u16string& path, std::uint32_t access) override;
    std::optional<RegistryValue> query_value(Key key, const std::u16string& name) override;
    bool set_text(Key key, const std::u16string& name, const std::u16string& text) override;
    void close(Key key) override;

    // Direct access for tests, bypassing counts and faults.
    void put(RegistryRoot root, const std::u16string& path, const std::u16string& name, RegistryValue value);
    void put_text(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                  const std::u16string& text);
    std::optional<RegistryValue> get(RegistryRoot root, const std::u16string& path, const std::u16string& name) const;
    std::optional<std::u16string> get_text(RegistryRoot root, const std::u16string& path,
                                           const std::u16string& name) const;
    bool has_key(RegistryRoot root, const std::u16string& path) const;
    std::size_t value_count(RegistryRoot root, const std::u16string& path) const;

    // The n-th call (1-based, from now) of "create", "open", "query", "set" or
    // "close" throws a TarvexError with the given number.
    void throw_on(const std::string& call, int nth, int number = 5);
    // Writes fail (return false), as for a key the user may not change.
    bool read_only = false;

    std::map<std::string, int> calls;
    std::uint32_t last_access = 0;
    std::size_t open_handles() const { return handles_.size(); }

private:
    struct Node {
        std::map<std::u16string, std::pair<std::u16string, RegistryValue>> values;  // folded name -> name, value
    };
    using Path = std::pair<RegistryRoot, std::u16string>;  // folded path without a trailing backslash
    static std::optional<std::u16string> normalise(const std::u16string& path);
    void count(const std::string& call);

    std::map<Path, Node> keys_;
    std::map<Key, Path> handles_;
    Key next_handle_ = 100;
    std::map<std::string, std::pair<int, int>> faults_;  // call -> remaining, number
};

}  // namespace tarvex::testing
