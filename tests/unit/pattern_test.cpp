#include "engine/pattern.h"

#include <gtest/gtest.h>

#include "base/text.h"

using tarvex::Pattern;
using tarvex::PatternError;
using tarvex::u16;
using Found = Pattern::Found;

namespace {

TEST(Pattern, FindsWithTheOptionsOfTheSearch) {
    struct Case {
        const char* pattern;
        bool match_case;
        bool whole;
        const char* text;
        Found found;
    };
    const Case cases[] = {
        {"P-\\d{4}", false, false, "code p-0112 here", Found::yes},
        {"P-\\d{4}", true, false, "code p-0112 here", Found::no},
        {"P-\\d{4}", false, true, "code P-0112 here", Found::no},
        {"P-\\d{4}", false, true, "P-0112", Found::yes},
        // Case folding beyond ASCII, the same on every platform.
        {"\xC3\xA9t\xC3\xA9", false, false, "\xC3\x89T\xC3\x89", Found::yes},
        {"\xC3\xA9t\xC3\xA9", true, false, "\xC3\x89T\xC3\x89", Found::no},
        // ^ and $ at the ends of the text, . not across a line break.
        {"^b", false, false, "a\nb", Found::no},
        {"a.b", false, false, "a\nb", Found::no},
        {"", false, false, "", Found::yes},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Pattern(u16(c.pattern), c.match_case, c.whole).find_in(u16(c.text)), c.found)
            << c.pattern << " in " << c.text;
    }
}

TEST(Pattern, ReplacesWithGroupsAndKeepsEverythingElseAsTyped) {
    struct Case {
        const char* pattern;
        bool whole_text;
        const char* format;
        bool whole_cell;
        const char* text;
        const char* written;
    };
    const Case cases[] = {
        {"(\\w+)@(\\w+)", false, "$2 at $1", false, "ann@home, bob@work", "home at ann, work at bob"},
        {"(?<code>P)-(\\d+)", false, "${code}${2}/$&/$$", false, "P-12", "P12/P-12/$"},
        {"a", false, "C:\\temp\\n", false, "a", "C:\\temp\\n"},
        {"ana", false, "[[$&]]", false, "Havana Club", "Hav[[ana]] Club"},
        // Entire Cell Content: the whole text becomes the first match's expansion.
        {"(\\d+) (\\w+)", false, "$2=$1", true, "x 12 kg and 3 g", "kg=12"},
        {"zzz", false, "$&", true, "abc", "abc"},
        // A pattern that must match the whole text replaces all of it or nothing.
        {"a+", true, "<$&>", false, "aaa", "<aaa>"},
        {"a+", true, "<$&>", false, "aab", "aab"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Pattern(u16(c.pattern), true, c.whole_text).replace(u16(c.text), u16(c.format), c.whole_cell),
                  u16(c.written))
            << c.pattern << " with " << c.format;
    }
}

TEST(Pattern, AnInvalidPatternSaysWhatAndWhere) {
    try {
        Pattern(u"ab(c", false, false);
        FAIL() << "compiled";
    } catch (const PatternError& error) {
        EXPECT_EQ(error.position, 4u);
        EXPECT_NE(tarvex::utf16_to_utf8(error.explanation).find("parenthesis"), std::string::npos)
            << tarvex::utf16_to_utf8(error.explanation);
    }
    EXPECT_THROW(Pattern(u"[a-", false, false), PatternError);
    EXPECT_THROW(Pattern(u"*", false, false), PatternError);
}

TEST(Pattern, GivesUpOnRunawayMatchingQuickly) {
    const Pattern runaway(u"(a+)+b", false, false);
    const std::u16string as(40, u'a');
    EXPECT_EQ(runaway.find_in(as), Found::gave_up);
    EXPECT_EQ(runaway.replace(as, u"x", false), std::nullopt);
    // A long cell exhausts neither the stack nor the patience: the matcher
    // either finds or gives up on it.
    const std::u16string long_cell = std::u16string(200000, u'x') + u"z";
    EXPECT_EQ(Pattern(u"x+z", false, false).find_in(long_cell), Found::yes);
    EXPECT_NE(Pattern(u"(x|y)*z", false, false).find_in(long_cell), Found::no);
}

}  // namespace
