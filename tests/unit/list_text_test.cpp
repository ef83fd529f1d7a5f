#include "engine/list_text.h"

#include <gtest/gtest.h>

#include <array>

#include "base/text.h"

using tarvex::ResultRow;
namespace text = tarvex::list_text;

namespace {

std::vector<ResultRow> rows_of(std::initializer_list<std::array<const char16_t*, 3>> rows) {
    std::vector<ResultRow> out;
    for (const auto& r : rows) {
        out.push_back(ResultRow{r[0], r[1], r[2], false});
    }
    return out;
}

TEST(ListText, TabSeparatedKeepsEveryCellInItsColumn) {
    const auto rows = rows_of({{u"Plants", u"$A$1", u"Lavender"},
                               {u"Notes", u"$B$2", u"two\tcolumns"},
                               {u"Notes", u"$C$3", u"line\r\nbreak"},
                               {u"Notes", u"$D$4", u"say \"hi\""},
                               {u"\u65e5\u672c", u"$E$5", u"\U0001F33F herbs"}});
    EXPECT_EQ(text::tab_separated(rows),
              u"Work Sheet\tCell\tContent\r\n"
              u"Plants\t$A$1\tLavender\r\n"
              u"Notes\t$B$2\t\"two\tcolumns\"\r\n"
              u"Notes\t$C$3\t\"line\r\nbreak\"\r\n"
              u"Notes\t$D$4\t\"say \"\"hi\"\"\"\r\n"
              u"\u65e5\u672c\t$E$5\t\U0001F33F herbs\r\n");
    EXPECT_EQ(text::tab_separated({}), u"Work Sheet\tCell\tContent\r\n");
}

TEST(ListText, CsvQuotesAsRfc4180AndTheGuardStopsFormulas) {
    const auto rows = rows_of({{u"S", u"$A$1", u"a,b"},
                               {u"S", u"$A$2", u"=HYPERLINK(\"x\")"},
                               {u"S", u"$A$3", u"+1"},
                               {u"S", u"$A$4", u"-2"},
                               {u"S", u"$A$5", u"@SUM(A1)"},
                               {u"-Sheet", u"$A$6", u"plain = text"}});
    EXPECT_EQ(text::comma_separated(rows, false),
              u"Work Sheet,Cell,Content\r\n"
              u"S,$A$1,\"a,b\"\r\n"
              u"S,$A$2,\"=HYPERLINK(\"\"x\"\")\"\r\n"
              u"S,$A$3,+1\r\n"
              u"S,$A$4,-2\r\n"
              u"S,$A$5,@SUM(A1)\r\n"
              u"-Sheet,$A$6,plain = text\r\n");
    EXPECT_EQ(text::comma_separated(rows, true),
              u"Work Sheet,Cell,Content\r\n"
              u"S,$A$1,\"a,b\"\r\n"
              u"S,$A$2,\"'=HYPERLINK(\"\"x\"\")\"\r\n"
              u"S,$A$3,'+1\r\n"
              u"S,$A$4,'-2\r\n"
              u"S,$A$5,'@SUM(A1)\r\n"
              u"'-Sheet,$A$6,plain = text\r\n");
}

TEST(ListText, TheExportFileIsGuardedUtf8WithAByteOrderMark) {
    const std::string file = text::export_file(rows_of({{u"\u00dcbersicht", u"$A$1", u"=1+1 \U0001F600"}}));
    EXPECT_EQ(file,
              "\xEF\xBB\xBF"
              "Work Sheet,Cell,Content\r\n"
              "\xC3\x9C"
              "bersicht,$A$1,'=1+1 \xF0\x9F\x98\x80\r\n");
}

TEST(ListText, ReferencesQuoteSheetNamesOnlyWhereFormulasNeedIt) {
    const struct {
        const char16_t* sheet;
        const char16_t* reference;
    } cases[] = {
        {u"Sheet1", u"Sheet1"},
        {u"Sales_Q1.v2", u"Sales_Q1.v2"},
        {u"\u00dcbersicht", u"\u00dcbersicht"},
        {u"Sales Q1", u"'Sales Q1'"},
        {u"O'Brien", u"'O''Brien'"},
        {u"2024", u"'2024'"},
        {u"A1", u"'A1'"},
        {u"xfd10", u"'xfd10'"},
        {u"R1C1", u"'R1C1'"},
        {u"R", u"'R'"},
        {u"Rc", u"'Rc'"},
        {u"Report", u"Report"},
        {u"ABCD1", u"ABCD1"},
        {u"a-b", u"'a-b'"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::sheet_reference(c.sheet), c.reference) << tarvex::utf16_to_utf8(c.sheet);
    }
    EXPECT_EQ(text::references(rows_of({{u"Sales Q1", u"$B$4", u""}, {u"Sheet1", u"$A$1", u""}})),
              u"'Sales Q1'!$B$4\r\nSheet1!$A$1\r\n");
}

}  // namespace
