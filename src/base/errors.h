#pragma once
// Failures as everything in Tarvex sees them: the host's errors, Tarvex's own, the
// number a macro-language client shows for each, and the texts and codes that
// more than one place needs.
#include <cstdint>
#include <optional>
#include <string>

namespace tarvex {

// The component named as the source of Tarvex's own failures.
inline constexpr char16_t tarvex_source[] = u"ExcelTarvex";

// The HRESULTs that Tarvex raises itself or branches on.
namespace hr {
// The three ways the host says it is busy (a cell being edited, a modal dialog
// open): cross-process callers get the COM channel's two codes, in-process
// callers the host's own error.
inline constexpr std::int32_t call_rejected = static_cast<std::int32_t>(0x80010001);  // RPC_E_CALL_REJECTED
inline constexpr std::int32_t retry_later = static_cast<std::int32_t>(0x8001010A);    // RPC_E_SERVERCALL_RETRYLATER
inline constexpr std::int32_t host_busy = static_cast<std::int32_t>(0x800AC472);
inline constexpr std::int32_t type_mismatch = static_cast<std::int32_t>(0x80020005);   // DISP_E_TYPEMISMATCH
inline constexpr std::int32_t object_not_set = static_cast<std::int32_t>(0x800A005B);  // error 91
inline constexpr std::int32_t out_of_memory = static_cast<std::int32_t>(0x8007000E);
inline constexpr std::int32_t internal_error = static_cast<std::int32_t>(0x800A0033);  // error 51
// An object of a workbook closed since it was handed out.
inline constexpr std::int32_t disconnected = static_cast<std::int32_t>(0x80010108);  // RPC_E_DISCONNECTED
}  // namespace hr

// True for any of the host's answers that mean "busy, try later".
constexpr bool is_host_busy(std::int32_t hresult) {
    return hresult == hr::call_rejected || hresult == hr::retry_later || hresult == hr::host_busy;
}

// The macro language's texts for the errors Tarvex raises or recognises.
namespace error_text {
inline constexpr char16_t type_mismatch[] = u"Type mismatch";
inline constexpr char16_t subscript_out_of_range[] = u"Subscript out of range";
inline constexpr char16_t overflow[] = u"Overflow";
inline constexpr char16_t out_of_memory[] = u"Out of memory";
inline constexpr char16_t not_supported[] = u"Object doesn't support this property or method";
inline constexpr char16_t wrong_arguments[] = u"Wrong number of arguments or invalid property assignment";
inline constexpr char16_t argument_not_optional[] = u"Argument not optional";
inline constexpr char16_t object_not_set[] = u"Object variable or With block variable not set";
inline constexpr char16_t object_required[] = u"Object required";
inline constexpr char16_t application_defined[] = u"Application-defined or object-defined error";
inline constexpr char16_t automation_error[] = u"Automation error";
inline constexpr char16_t internal_error[] = u"Internal error";
}  // namespace error_text

// The error number a macro-language client would see for an HRESULT: the low
// word of a FACILITY_CONTROL code (0x800A03EC is 1004), the familiar numbers of
// the standard dispatch codes, and any other HRESULT as its negative value.
std::int32_t error_number(std::int32_t hresult);

// The code a component raising a macro-language error gives a late-bound caller
// for one of its own failures: 0x800A0000 plus the error number, so that a script
// sees Err.Number 13 for a type mismatch rather than the dispatch code's negative
// value. Codes without a macro error number stay as they are.
std::int32_t macro_error_code(std::int32_t hresult);

// The text a macro-language client shows for a standard dispatch code that a host
// answers with directly; nullopt for any other code.
std::optional<std::u16string> standard_error_text(std::int32_t hresult);

// Every failed host operation: the host's code, its description and its source.
struct HostError {
    std::int32_t hresult = 0;
    std::u16string description;
    std::u16string source;
    std::int32_t number() const { return error_number(hresult); }
};

// "Object variable or With block variable not set": what the host answers when a
// call is made on Nothing.
HostError object_not_set_error(std::u16string source);

// Tarvex's own failures (as opposed to the host's), with the source "ExcelTarvex".
struct TarvexError {
    std::int32_t number = 0;
    std::u16string description;
};

// A trapped failure: the number a macro-language client would see, the
// description, the component it came from and the HRESULT behind it.
struct Failure {
    std::int32_t number = 0;
    std::u16string description;
    std::u16string source;
    std::int32_t hresult = 0;
};

// The failure in flight, whatever was thrown; call it only inside a catch block.
Failure current_failure();

}  // namespace tarvex
