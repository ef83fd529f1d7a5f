#include "base/errors.h"

#include <exception>
#include <new>
#include <utility>

#include "base/text.h"

namespace tarvex {

namespace {

// The standard dispatch codes a host answers with directly, with the number and
// the text a macro-language client shows for each. A number of 0 leaves the code's
// number as the HRESULT itself.
struct StandardError {
    std::uint32_t hresult;
    std::int32_t number;
    const char16_t* text;
};
constexpr StandardError standard_errors[] = {
    {0x80020005u, 13, error_text::type_mismatch},          // DISP_E_TYPEMISMATCH
    {0x8002000Bu, 9, error_text::subscript_out_of_range},  // DISP_E_BADINDEX
    {0x8002000Au, 6, error_text::overflow},                // DISP_E_OVERFLOW
    {0x8007000Eu, 7, error_text::out_of_memory},           // E_OUTOFMEMORY
    {0x80020006u, 438, error_text::not_supported},         // DISP_E_UNKNOWNNAME
    {0x80020003u, 438, error_text::not_supported},         // DISP_E_MEMBERNOTFOUND
    {0x8002000Eu, 0, error_text::wrong_arguments},         // DISP_E_BADPARAMCOUNT
    {0x8002000Fu, 0, error_text::argument_not_optional},   // DISP_E_PARAMNOTOPTIONAL
};

const StandardError* find_standard(std::int32_t hresult) {
    for (const auto& error : standard_errors) {
        if (error.hresult == static_cast<std::uint32_t>(hresult)) {
            return &error;
        }
    }
    return nullptr;
}

}  // namespace

std::int32_t error_number(std::int32_t hresult) {
    const auto code = static_cast<std::uint32_t>(hresult);
    if (const auto* standard = find_standard(hresult); standard && standard->number != 0) {
        return standard->number;
    }
    if ((code & 0xFFFF0000u) == 0x800A0000u) {
        return static_cast<std::int32_t>(code & 0xFFFFu);
    }
    return hresult;
}

std::int32_t macro_error_code(std::int32_t hresult) {
    const std::int32_t number = error_number(hresult);
    if (number <= 0 || number > 0xFFFF) {
        return hresult;
    }
    return static_cast<std::int32_t>(0x800A0000u | static_cast<std::uint32_t>(number));
}

std::optional<std::u16string> standard_error_text(std::int32_t hresult) {
    if (const auto* standard = find_standard(hresult)) {
        return std::u16string(standard->text);
    }
    return std::nullopt;
}

HostError object_not_set_error(std::u16string source) {
    return HostError{hr::object_not_set, error_text::object_not_set, std::move(source)};
}

Failure current_failure() {
    try {
        throw;
    } catch (const HostError& e) {
        return Failure{e.number(), e.description, e.source, e.hresult};
    } catch (const TarvexError& e) {
        return Failure{e.number, e.description, tarvex_source,
                       static_cast<std::int32_t>(0x800A0000u | (e.number & 0xFFFF))};
    } catch (const std::bad_alloc&) {
        return Failure{7, error_text::out_of_memory, tarvex_source, hr::out_of_memory};
    } catch (const std::exception& e) {
        return Failure{51, std::u16string(error_text::internal_error) + u": " + utf8_to_utf16(e.what()), tarvex_source,
                       hr::internal_error};
    } catch (...) {
        return Failure{51, error_text::internal_error, tarvex_source, hr::internal_error};
    }
}

}  // namespace tarvex
