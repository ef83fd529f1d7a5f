#include "base/text.h"

#include <gtest/gtest.h>

using tarvex::u16;

TEST(Text, Utf8RoundTripsEveryPlane) {
    const std::string samples[] = {"",         "plain ASCII", "Ελληνικά", "中文字符", "emoji \xF0\x9F\x98\x80 end",
                                   "tab\there"};
    for (const auto& sample : samples) {
        EXPECT_EQ(tarvex::utf16_to_utf8(tarvex::utf8_to_utf16(sample)), sample);
    }
    // A character outside the basic plane becomes a surrogate pair.
    EXPECT_EQ(tarvex::utf8_to_utf16("\xF0\x9F\x98\x80"), std::u16string(u"\xD83D\xDE00"));
}

TEST(Text, MalformedInputBecomesReplacementCharacters) {
    struct Case {
        std::string input;
        std::u16string expected;
    };
    const Case cases[] = {
        {"a\xFF"
         "b",
         u"a\xFFFD"
         "b"},                                    // a byte that never starts a sequence
        {"\xE4\xB8", u"\xFFFD\xFFFD"},            // truncated at the end
        {"\xC0\xAF", u"\xFFFD\xFFFD"},            // overlong form of '/'
        {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},  // a surrogate encoded in UTF-8
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tarvex::utf8_to_utf16(c.input), c.expected) << c.input;
    }
    // A lone surrogate has no UTF-8 form.
    EXPECT_EQ(tarvex::utf16_to_utf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
}

TEST(Text, CaseFoldingCoversLatinGreekAndCyrillic) {
    struct Case {
        const char* a;
        const char* b;
        bool equal;
    };
    const Case cases[] = {
        {"ABC", "abc", true},         {"Straße", "STRASSE", false},  // no multi-character folding
        {"ÀÉÎÕÜ", "àéîõü", true},     {"×", "÷", false},             // signs are not letters
        {"ŁÓDŹ", "łódź", true},       {"ΑΒΓΔΣ", "αβγδσ", true},
        {"ΆΈΉΊΌΎΏ", "άέήίόύώ", true}, {"σ", "ς", true},  // final sigma
        {"ПРИВЕТ", "привет", true},   {"ЁЂЏ", "ёђџ", true},
        {"ＡＢＣ", "ａｂｃ", true},   {"中文", "中文", true},
        {"abc", "abcd", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tarvex::equals_ignore_case(u16(c.a), u16(c.b)), c.equal) << c.a << " / " << c.b;
    }
}

TEST(Text, DecimalWritesPlainSignedNumbers) {
    EXPECT_EQ(tarvex::decimal(0), u"0");
    EXPECT_EQ(tarvex::decimal(1004), u"1004");
    EXPECT_EQ(tarvex::decimal(-2147418111), u"-2147418111");
}
