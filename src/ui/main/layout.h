#pragma once
// The main window's resize rule, in twips and single precision as the window's
// design is. The Windows layer reads the controls' current geometry, runs this
// and moves the controls; nothing is kept between two resizes.
#include "base/geometry.h"

namespace tarvex {

// The controls the rule moves; the labels and the status bar never move.
struct MainLayout {
    Geometry cmbSearchFor;
    Geometry cmdFind;
    Geometry cmbReplace;
    Geometry chkEntireCellContent;
    Geometry cmdReplace;
    Geometry cmdAbout;
    Geometry cmdReplaceAll;
    Geometry CommandButton2;
    Geometry lvwMain;
    Geometry cmdOptions;
};

struct ClientArea {
    float scale_left = 0;
    float scale_width = 0;
    float scale_height = 0;
    float status_bar_height = 0;
};

// Moves the controls one after the other in a fixed order (the search combo box,
// Find, the replace combo box, the check box, the four other buttons, the list,
// then Options, which follows the button column as the others do),
// each move reading where the earlier ones left their controls. A move that would
// give a control a negative width or height is skipped and leaves that control
// where it was, as happens while the window is minimised or very small.
void apply_main_layout(MainLayout& layout, const ClientArea& client);

}  // namespace tarvex
