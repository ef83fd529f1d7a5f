#pragma once
// frmMain as designed: every control with its caption, geometry in twips, help
// topic and tooltip, in tab order. The Windows layer builds the window from this
// table, and the layout rule starts from it on the first resize.
#include <array>
#include <string_view>

#include "ui/main/layout.h"

namespace tarvex::main_design {

enum class Kind { label, combo_box, button, check_box, list_view, status_bar };

struct Control {
    std::u16string_view name;
    Kind kind;
    std::u16string_view caption;
    Geometry geometry;
    int help_topic;  // 0: none of its own
    std::u16string_view tooltip;
};

inline constexpr std::u16string_view caption = u"Tarvex";
inline constexpr float client_width = 6765;
inline constexpr float client_height = 7260;
inline constexpr int window_help_topic = 20;
inline constexpr std::u16string_view status_panel_key = u"Status";

// In tab order: index 0 is the first stop. Options came last, after the status
// bar (which takes no focus), so every earlier control keeps its place and id.
inline constexpr std::array<Control, 13> controls = {{
    {u"Label1", Kind::label, u"&Search For", {45, 0, 1185, 285}, 0, u""},
    {u"cmbSearchFor", Kind::combo_box, u"", {1080, 0, 4515, 315}, 80, u""},
    {u"Label2", Kind::label, u"&Replace", {45, 360, 1185, 240}, 0, u""},
    {u"cmbReplace", Kind::combo_box, u"", {1080, 315, 4515, 315}, 60, u""},
    {u"cmdFind", Kind::button, u"&Find", {5715, 0, 1005, 375}, 10, u""},
    {u"cmdReplace", Kind::button, u"&Replace", {5715, 405, 1005, 375}, 30, u"Replace the selected elements."},
    {u"cmdReplaceAll", Kind::button, u"Replace &All", {5715, 810, 1005, 375}, 40, u"Replace all elements."},
    {u"CommandButton2", Kind::button, u"&Cancel", {5715, 1215, 1005, 375}, 0, u""},
    {u"cmdAbout", Kind::button, u"&About", {5715, 1620, 1005, 375}, 0, u""},
    {u"chkEntireCellContent",
     Kind::check_box,
     u"Entire Cell Content",
     {1080, 630, 4515, 240},
     50,
     u"Replace the all of the cells contents with the value in the Replace box."},
    {u"lvwMain", Kind::list_view, u"", {0, 945, 5640, 6315}, 70, u""},
    {u"StatusBar1", Kind::status_bar, u"", {0, 6840, 6765, 420}, 0, u""},
    {u"cmdOptions", Kind::button, u"&Options", {5715, 2025, 1005, 375}, 90, u"Search options"},
}};

// Positions in the table above, for code that addresses one control.
enum Index : int {
    Label1,
    cmbSearchFor,
    Label2,
    cmbReplace,
    cmdFind,
    cmdReplace,
    cmdReplaceAll,
    CommandButton2,
    cmdAbout,
    chkEntireCellContent,
    lvwMain,
    StatusBar1,
    cmdOptions,
};

// The result list's columns in their order, with the keys that give each its own
// stored layout; all three are 1440 twips wide at design.
struct Column {
    std::u16string_view key;
    std::u16string_view caption;
};
inline constexpr std::array<Column, 3> columns = {
    {{u"Sheet", u"Work Sheet"}, {u"Cell", u"Cell"}, {u"Content", u"Content"}}};
inline constexpr float column_width = 1440;

// The layout rule's view of the design geometry.
MainLayout design_layout();

}  // namespace tarvex::main_design
