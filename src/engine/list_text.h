#pragma once
// The result list as text that leaves the window: copied to the clipboard (as
// tab-separated text and as CSV), as references the host's formulas accept, and
// exported to a CSV file that a spreadsheet opens without running anything.
#include <string>
#include <vector>

#include "engine/result_list.h"

namespace tarvex::list_text {

// The header line's captions, as the list's columns read.
inline constexpr char16_t header_sheet[] = u"Work Sheet";
inline constexpr char16_t header_cell[] = u"Cell";
inline constexpr char16_t header_content[] = u"Content";

// Tab-separated, a header line first, CRLF after every line. A field holding a
// tab, a line break or a double quote is quoted as spreadsheets read it back.
std::u16string tab_separated(const std::vector<ResultRow>& rows);

// RFC 4180: comma-separated, a header line first, CRLF line ends, a field with a
// comma, a double quote or a line break in double quotes with its quotes doubled.
// With `guard`, a field starting with =, +, - or @ gets a leading apostrophe, so
// that opening the text in a spreadsheet never runs it as a formula.
std::u16string comma_separated(const std::vector<ResultRow>& rows, bool guard);

// One 'Sheet name'!$A$1 per row, CRLF after each: the sheet name quoted only
// where a formula needs it (anything but letters, digits, _ and ., a leading
// digit, or a name that reads as a cell reference), its quotes doubled.
std::u16string references(const std::vector<ResultRow>& rows);
std::u16string sheet_reference(const std::u16string& sheet);

// The export file's bytes: UTF-8 with a byte-order mark (spreadsheets then read
// every script right), the guarded CSV above.
std::string export_file(const std::vector<ResultRow>& rows);

}  // namespace tarvex::list_text
