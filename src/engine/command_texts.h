#pragma once
// Every text the search session shows, in one place: the status panel's texts
// and the messages of the commands and of the list's menu. Fixed texts are
// constants; texts with counts are built by the functions below.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tarvex::command_texts {

inline constexpr char16_t status_key[] = u"Status";
inline constexpr char16_t message_title[] = u"Tarvex";

inline constexpr char16_t searching[] = u"Searching ...";
inline constexpr char16_t replacing[] = u"Replacing ...";
inline constexpr char16_t undoing[] = u"Undoing ...";
// After the host refused Find, or Find could not start.
inline constexpr char16_t find_refused[] = u"Done..";
inline constexpr char16_t replace_done[] = u"Done ...";
// A replace command that failed before its tolerant point.
inline constexpr char16_t replace_failed[] = u"Done ..";

inline constexpr char16_t refusal[] =
    u"Can not search the current spread sheet.\r\n"
    u"If you are currently editing any cells finish making changes and commit them please.";
inline constexpr char16_t clear_question[] =
    u"This action can not be undone.\r\nAre you sure you want to clear the content of the selected Cells?";
inline constexpr char16_t clipboard_busy[] =
    u"The rows could not be put on the clipboard. Another program may be using it; please try again.";
inline constexpr char16_t window_not_created[] = u"The Tarvex window could not be created.";

// The Save As dialog of Export list: its title, the name it proposes, and its
// file types (pairs of description and pattern, each ended by a null).
inline constexpr char16_t export_title[] = u"Export list";
inline constexpr char16_t export_file_name[] = u"Tarvex results.csv";
inline constexpr char16_t export_extension[] = u"csv";
inline constexpr char16_t export_file_types[] = u"CSV (comma-separated values) (*.csv)\0*.csv\0All files (*.*)\0*.*\0";

// 12,345: counts in the progress texts, grouped by thousands.
std::u16string grouped(std::size_t count);
// "1 cell", "2 cells".
std::u16string cells(std::size_t count);

// "Searching ... Sheet1: 1,200 matches"
std::u16string searching_sheet(const std::u16string& sheet, std::size_t matches);
// "Replacing ... 1,200 of 5,000"
std::u16string replacing_count(std::size_t done, std::size_t to_do);

// "Done(5 matches)  ..." as always when every host call succeeded; otherwise it
// says how many calls were passed over, so a partial list never looks complete.
std::u16string find_done(std::size_t matches, std::size_t not_read);
// A list of find/replace pairs searched for: "Done(12 matches, 40 pairs)  ...".
std::u16string pairs_found(std::size_t matches, std::size_t not_read, std::size_t pairs);
// Replace All with a list of pairs: "Done (12 cells, 40 pairs)  ...".
std::u16string pairs_done(std::size_t written, std::size_t not_written, std::size_t pairs);
// Esc during Find: the rows found so far are the list.
std::u16string find_stopped(std::size_t matches);
// "Done ..." when every cell was written, else how many were not.
std::u16string replace_status(std::size_t not_written);
std::u16string replace_stopped(std::size_t replaced, std::size_t to_do);
std::u16string undone(std::size_t restored);

// The message after Undo Replace when some cells were not restored, labelled as
// references ('Sales Q1'!$B$4); empty when every cell was.
std::u16string undo_left_alone(const std::vector<std::u16string>& changed_since,
                               const std::vector<std::u16string>& not_restored);

std::u16string export_failed(const std::u16string& path);

// A row's tip: "Now: Havana Club", then "After Replace: Hav[[ana]] Club" or
// why there is nothing to show (nullopt: the pattern is not valid, or the
// matcher gives up on the cell).
inline constexpr char16_t preview_unreadable[] = u"The cell could not be read.";
std::u16string preview(const std::u16string& now, const std::optional<std::u16string>& after);
// The first line of a row's tip when the row was found by a list of pairs:
// "Pair 3: old name -> new name".
std::u16string pair_named(std::size_t pair, const std::u16string& search, const std::u16string& replacement);

// A list of pairs that cannot be used, and why; nothing is searched or replaced.
std::u16string pair_list_refused(const std::u16string& why);
inline constexpr char16_t pairs_none[] = u"The list holds no find/replace pairs.";
inline constexpr char16_t pairs_clipboard_empty[] =
    u"The clipboard holds no text. Copy two columns, the texts to find and their replacements, and try again.";
inline constexpr char16_t pairs_file_title[] = u"Replace from list";
inline constexpr char16_t pairs_file_types[] =
    u"Lists of pairs (*.csv;*.txt;*.tsv)\0*.csv;*.txt;*.tsv\0All files (*.*)\0*.*\0";
std::u16string pairs_file_unreadable(const std::u16string& path);
std::u16string pair_pattern_invalid(std::size_t line, const std::u16string& explanation, std::size_t position);

// The message for a search pattern that cannot be compiled: what is wrong, and
// where (`position` counts from 0).
std::u16string pattern_invalid(const std::u16string& explanation, std::size_t position);

}  // namespace tarvex::command_texts
