#pragma once
#include "ports/registry.h"

namespace tarvex {

// The registry through advapi32's Unicode functions, so a text in any script
// comes back exactly as it was written; the stored type stays REG_SZ.
class RegistryWin final : public Registry {
public:
    std::optional<Key> create_key(RegistryRoot root, const std::u16string& path, std::uint32_t access) override;
    std::optional<Key> open_key(RegistryRoot root, const std::u16string& path, std::uint32_t access) override;
    std::optional<RegistryValue> query_value(Key key, const std::u16string& name) override;
    bool set_text(Key key, const std::u16string& name, const std::u16string& text) override;
    void close(Key key) override;
};

}  // namespace tarvex
