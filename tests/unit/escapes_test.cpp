#include "engine/escapes.h"

#include <gtest/gtest.h>

#include "base/text.h"

using tarvex::PrepareSearchString;
using tarvex::replace_all;

TEST(Escapes, ExpandsInOrderExactlyAsWritten) {
    struct Case {
        std::u16string input;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"", u""},
        {u"no caret here", u"no caret here"},
        {u"a^CRb", u"a\nb"},
        {u"a^CRLFb", u"a\r\nb"},
        {u"^CR^CRLF", u"\n\r\n"},
        {u"^TB^TB", u"\t\t"},
        {u"^TBX", u"\tX"},
        {u"^^CR", u"^\n"},
        {u"^C R", u"^C R"},
        {u"^cr ^Tb ^crlf", u"^cr ^Tb ^crlf"},
        {u"^CRCR", u"\nCR"},
        {u"^CRLFLF", u"\r\nLF"},
        {u"  padded ^TB  ", u"  padded \t  "},
        {u"*^TB*", u"*\t*"},
        {u"^", u"^"},
        {u"^CR^", u"\n^"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PrepareSearchString(c.input), c.expected) << tarvex::utf16_to_utf8(c.input);
    }
}

TEST(Escapes, ReplacementIsLeftToRightNonOverlappingAndExact) {
    struct Case {
        const char16_t* text;
        const char16_t* find;
        const char16_t* replacement;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"aaa", u"aa", u"b", u"ba"},   {u"banana", u"a", u"aa", u"baanaanaa"},  // inserted text is not rescanned
        {u"ABC", u"abc", u"x", u"ABC"},                                          // case-sensitive
        {u"abcabc", u"abc", u"", u""},                                           // an empty replacement deletes
        {u"text", u"", u"x", u"text"},                                           // an empty search text finds nothing
        {u"", u"a", u"b", u""},         {u"=SUM(A1:A3)", u"A", u"B", u"=SUM(B1:B3)"}, {u"x\ty", u"\t", u" ", u"x y"},
        {u"ab", u"abc", u"x", u"ab"},   {u"Ελλάδα", u"λ", u"L", u"ΕLLάδα"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(replace_all(c.text, c.find, c.replacement), c.expected);
    }
}

TEST(Escapes, HugeTextsAreHandledInLinearTime) {
    // A cell holds at most 32,767 characters, but nothing here relies on that.
    const std::u16string text(1'000'000, u'a');
    EXPECT_EQ(replace_all(text, u"a", u"bb").size(), 2'000'000u);
    EXPECT_EQ(PrepareSearchString(std::u16string(200'000, u'^')).size(), 200'000u);
}
