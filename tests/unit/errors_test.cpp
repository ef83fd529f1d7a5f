#include "base/errors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>

#include "base/steps.h"

namespace tarvex {
namespace {

constexpr std::int32_t code(std::uint32_t hresult) {
    return static_cast<std::int32_t>(hresult);
}

TEST(Errors, MacroClientNumbersAndTextsOfHostCodes) {
    struct Case {
        std::uint32_t hresult;
        std::int32_t number;
        const char16_t* text;  // nullptr: no standard text
    };
    const Case cases[] = {
        {0x800A03ECu, 1004, nullptr},                   // a FACILITY_CONTROL code: its low word
        {0x800A005Bu, 91, nullptr},                     //
        {0x80020005u, 13, u"Type mismatch"},            // DISP_E_TYPEMISMATCH
        {0x8002000Bu, 9, u"Subscript out of range"},    // DISP_E_BADINDEX
        {0x8002000Au, 6, u"Overflow"},                  // DISP_E_OVERFLOW
        {0x8007000Eu, 7, u"Out of memory"},             // E_OUTOFMEMORY
        {0x80020006u, 438, error_text::not_supported},  // DISP_E_UNKNOWNNAME
        {0x80020003u, 438, error_text::not_supported},  // DISP_E_MEMBERNOTFOUND
        {0x8002000Eu, code(0x8002000Eu), u"Wrong number of arguments or invalid property assignment"},
        {0x8002000Fu, code(0x8002000Fu), u"Argument not optional"},
        {0x80010001u, code(0x80010001u), nullptr},  // a busy host keeps its own code
        {0x80004005u, code(0x80004005u), nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(error_number(code(c.hresult)), c.number) << std::hex << c.hresult;
        const auto text = standard_error_text(code(c.hresult));
        if (c.text) {
            ASSERT_TRUE(text.has_value()) << std::hex << c.hresult;
            EXPECT_EQ(*text, c.text);
        } else {
            EXPECT_FALSE(text.has_value()) << std::hex << c.hresult;
        }
    }
}

TEST(Errors, OwnFailuresReachScriptsAsMacroErrorCodes) {
    EXPECT_EQ(macro_error_code(code(0x80020005u)), code(0x800A000Du));  // Type mismatch: Err.Number 13
    EXPECT_EQ(macro_error_code(code(0x800A005Bu)), code(0x800A005Bu));  // already error 91
    EXPECT_EQ(macro_error_code(code(0x8007000Eu)), code(0x800A0007u));  // Out of memory: 7
    // Codes with no macro error number pass unchanged.
    EXPECT_EQ(macro_error_code(code(0x8000FFFFu)), code(0x8000FFFFu));
    EXPECT_EQ(macro_error_code(code(0x80010001u)), code(0x80010001u));
    EXPECT_EQ(macro_error_code(code(0x8002000Eu)), code(0x8002000Eu));
}

Failure failure_of(void (*thrower)()) {
    try {
        thrower();
    } catch (...) {
        return current_failure();
    }
    return {};
}

TEST(Errors, WhateverIsThrownBecomesAFailureWithNumberSourceAndCode) {
    const Failure host = failure_of([] {
        throw HostError{code(0x800A03ECu), u"Unable to get the Find property", u"Host"};
    });
    EXPECT_EQ(host.number, 1004);
    EXPECT_EQ(host.description, u"Unable to get the Find property");
    EXPECT_EQ(host.source, u"Host");
    EXPECT_EQ(host.hresult, code(0x800A03ECu));

    const Failure own = failure_of([] { throw TarvexError{380, u"Invalid property value"}; });
    EXPECT_EQ(own.number, 380);
    EXPECT_EQ(own.source, tarvex_source);
    EXPECT_EQ(own.hresult, code(0x800A017Cu));

    const Failure memory = failure_of([] { throw std::bad_alloc(); });
    EXPECT_EQ(memory.number, 7);
    EXPECT_EQ(memory.description, u"Out of memory");

    const Failure internal = failure_of([] { throw std::runtime_error("broken"); });
    EXPECT_EQ(internal.number, 51);
    EXPECT_EQ(internal.description, u"Internal error: broken");

    const Failure unknown = failure_of([] { throw 42; });
    EXPECT_EQ(unknown.number, 51);
    EXPECT_EQ(unknown.source, tarvex_source);

    const HostError nothing = object_not_set_error(u"Src");
    EXPECT_EQ(nothing.number(), 91);
    EXPECT_EQ(nothing.description, u"Object variable or With block variable not set");
}

TEST(Errors, StepsWithoutALineRunLikeNumberedOnes) {
    Steps steps = Steps::silent();
    int runs = 0;
    EXPECT_EQ(steps.run([&] { ++runs; }), Steps::Outcome::done);
    EXPECT_EQ(steps.run([&] { throw TarvexError{5, u"Invalid procedure call or argument"}; }), Steps::Outcome::skipped);
    ASSERT_TRUE(steps.last_failure().has_value());
    EXPECT_EQ(steps.last_failure()->number, 5);

    Steps strict = Steps::strict();
    EXPECT_THROW(strict.run([] { throw TarvexError{5, u"x"}; }), TarvexError);
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace tarvex
