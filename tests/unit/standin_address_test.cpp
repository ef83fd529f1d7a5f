#include "model/model.h"

#include <gtest/gtest.h>

#include "base/text.h"

using standin::CellPos;
using standin::Rect;
using tarvex::u16;

TEST(StandinAddress, ParsesCellsInsideTheGridOnly) {
    struct Case {
        const char* text;
        std::optional<CellPos> expected;
    };
    const Case cases[] = {
        {"A1", CellPos{1, 1}},
        {"$A$1", CellPos{1, 1}},
        {"b7", CellPos{7, 2}},
        {"aa10", CellPos{10, 27}},
        {"A$7", CellPos{7, 1}},
        {"$iv$65536", CellPos{65536, 256}},
        {"XFD1048576", CellPos{1048576, 16384}},
        {"", std::nullopt},
        {"A", std::nullopt},
        {"7", std::nullopt},
        {"A0", std::nullopt},
        {"A01", std::nullopt},          // the host never writes leading zeros
        {"XFE1", std::nullopt},         // one column past the last
        {"A1048577", std::nullopt},     // one row past the last
        {"AAAA1", std::nullopt},        // four letters
        {"A99999999999", std::nullopt}  // would overflow a naive parser
        ,
        {" A1", std::nullopt},
        {"A1 ", std::nullopt},
        {"$$A1", std::nullopt},
        {"A1$", std::nullopt},
        {"A-1", std::nullopt},
        {"Ä1", std::nullopt},
        {"A1:B2", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(standin::parse_cell(u16(c.text)), c.expected) << c.text;
    }
}

TEST(StandinAddress, ParsesRangesWithCornersInEitherOrder) {
    struct Case {
        const char* text;
        std::optional<Rect> expected;
    };
    const Case cases[] = {
        {"A1", Rect{{1, 1}, {1, 1}}},
        {"A1:B2", Rect{{1, 1}, {2, 2}}},
        {"B2:A1", Rect{{1, 1}, {2, 2}}},
        {"C1:A3", Rect{{1, 1}, {3, 3}}},  // mixed corners
        {"$A$1:$IV$65536", Rect{{1, 1}, {65536, 256}}},
        {"A1:", std::nullopt},
        {":A1", std::nullopt},
        {"A1::B2", std::nullopt},
        {"A1:B2:C3", std::nullopt},
        {"A1:XFE1", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(standin::parse_range(u16(c.text)), c.expected) << c.text;
    }
}

TEST(StandinAddress, FormatsAbsoluteAddresses) {
    struct Case {
        CellPos p;
        const char* expected;
    };
    const Case cases[] = {
        {{1, 1}, "$A$1"},   {{65536, 256}, "$IV$65536"}, {{10, 27}, "$AA$10"}, {{1, 26}, "$Z$1"},
        {{1, 52}, "$AZ$1"}, {{1, 702}, "$ZZ$1"},         {{1, 703}, "$AAA$1"}, {{1048576, 16384}, "$XFD$1048576"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(standin::address(c.p), u16(c.expected));
    }
    EXPECT_EQ(standin::address(Rect{{1, 1}, {65536, 256}}), u"$A$1:$IV$65536");
    EXPECT_EQ(standin::address(Rect{{7, 2}, {7, 2}}), u"$B$7");
}

TEST(StandinAddress, EveryColumnNameReadsBack) {
    for (std::int32_t col = 1; col <= standin::max_col; ++col) {
        const CellPos p{col, col};  // rows vary too, up to 16384
        ASSERT_EQ(standin::parse_cell(standin::address(p)), p) << col;
    }
}
