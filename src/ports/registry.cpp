#include "ports/registry.h"

#include "base/text.h"

namespace tarvex {

std::u16string registry_value_text(const RegistryValue& value) {
    switch (value.type) {
        case reg_type::sz:
        case reg_type::expand_sz: {
            // An odd trailing byte is half a character: it is dropped.
            std::u16string text;
            text.reserve(value.data.size() / 2);
            for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
                const auto c = static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8));
                if (c == u'\0') {
                    break;
                }
                text.push_back(c);
            }
            return text;
        }
        case reg_type::dword: {
            if (value.data.size() != 4) {
                return std::u16string();
            }
            // Read as unsigned: 2^31 and above give their positive decimal text.
            const std::uint32_t number =
                static_cast<std::uint32_t>(value.data[0]) | (static_cast<std::uint32_t>(value.data[1]) << 8) |
                (static_cast<std::uint32_t>(value.data[2]) << 16) | (static_cast<std::uint32_t>(value.data[3]) << 24);
            return decimal(number);
        }
        default:
            return std::u16string();
    }
}

}  // namespace tarvex
