#include "ui/main/layout.h"

#include <initializer_list>

namespace tarvex {
namespace {

// The gap between the combo boxes and the buttons, the buttons' right margin and
// the gap between the list and the status bar.
constexpr float gap = 45.0f;

// A control refuses a negative size; the rule then keeps its previous geometry.
void move(Geometry& control, float left, float top, float width, float height) {
    if (width < 0 || height < 0) {
        return;
    }
    control = {left, top, width, height};
}

}  // namespace

void apply_main_layout(MainLayout& l, const ClientArea& client) {
    move(l.cmbSearchFor, l.cmbSearchFor.left, l.cmbSearchFor.top,
         client.scale_width - (l.cmbSearchFor.left + gap + l.cmdFind.width + gap), l.cmbSearchFor.height);
    move(l.cmdFind, l.cmbSearchFor.left + l.cmbSearchFor.width + gap, l.cmbSearchFor.top, l.cmdFind.width,
         l.cmdFind.height);
    move(l.cmbReplace, l.cmbSearchFor.left, l.cmbReplace.top, l.cmbSearchFor.width, l.cmbReplace.height);
    move(l.chkEntireCellContent, l.cmbSearchFor.left, l.chkEntireCellContent.top, l.cmbSearchFor.width,
         l.chkEntireCellContent.height);
    for (Geometry* button : {&l.cmdReplace, &l.cmdAbout, &l.cmdReplaceAll, &l.CommandButton2}) {
        move(*button, l.cmdFind.left, button->top, button->width, button->height);
    }
    const float list_top = l.chkEntireCellContent.top + l.chkEntireCellContent.height;
    move(l.lvwMain, client.scale_left, list_top, l.cmbReplace.left + l.cmbReplace.width,
         client.scale_height - (list_top + gap + client.status_bar_height));
    move(l.cmdOptions, l.cmdFind.left, l.cmdOptions.top, l.cmdOptions.width, l.cmdOptions.height);
}

}  // namespace tarvex
