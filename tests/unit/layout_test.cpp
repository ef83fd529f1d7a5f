#include "ui/main/layout.h"
#include "ui/main/main_design.h"

#include <gtest/gtest.h>

#include "ui/main/frm_main.h"

using tarvex::apply_main_layout;
using tarvex::ClientArea;
using tarvex::Geometry;
using tarvex::MainLayout;
namespace design = tarvex::main_design;

namespace {

MainLayout laid_out(float width, float height, float status_bar = 420) {
    MainLayout l = design::design_layout();
    apply_main_layout(l, ClientArea{0, width, height, status_bar});
    return l;
}

}  // namespace

TEST(MainLayout, DesignClientAreaGivesTheWorkedExample) {
    const MainLayout l = laid_out(6765, 7260);
    EXPECT_EQ(l.cmbSearchFor, (Geometry{1080, 0, 4590, 315}));
    EXPECT_EQ(l.cmbReplace, (Geometry{1080, 315, 4590, 315}));
    EXPECT_EQ(l.chkEntireCellContent, (Geometry{1080, 630, 4590, 240}));
    for (const Geometry* button :
         {&l.cmdFind, &l.cmdReplace, &l.cmdReplaceAll, &l.CommandButton2, &l.cmdAbout, &l.cmdOptions}) {
        EXPECT_EQ(button->left, 5715);
        EXPECT_EQ(button->width, 1005);
        EXPECT_EQ(button->height, 375);
    }
    // The buttons keep their tops; only the first one follows the search box.
    EXPECT_EQ(l.cmdFind.top, 0);
    EXPECT_EQ(l.cmdAbout.top, 1620);
    EXPECT_EQ(l.cmdOptions.top, 2025);
    // The list moves up from its design top of 945 to sit directly below the check box.
    EXPECT_EQ(l.lvwMain, (Geometry{0, 870, 5670, 5925}));
}

TEST(MainLayout, WideWindowStretchesAndMovesByTheSameAmount) {
    const MainLayout narrow = laid_out(6765, 7260);
    const MainLayout wide = laid_out(6765 + 3000, 7260);
    EXPECT_EQ(wide.cmbSearchFor.width - narrow.cmbSearchFor.width, 3000);
    EXPECT_EQ(wide.chkEntireCellContent.width - narrow.chkEntireCellContent.width, 3000);
    EXPECT_EQ(wide.lvwMain.width - narrow.lvwMain.width, 3000);
    EXPECT_EQ(wide.cmdReplaceAll.left - narrow.cmdReplaceAll.left, 3000);
    EXPECT_EQ(wide.cmdReplaceAll.top, narrow.cmdReplaceAll.top);
    EXPECT_EQ(wide.cmdOptions.left - narrow.cmdOptions.left, 3000);
    // The button column keeps its 45-twip right margin.
    EXPECT_EQ(wide.cmdFind.left + wide.cmdFind.width + 45, 6765 + 3000);
}

TEST(MainLayout, TooNarrowFreezesTheTopControlsButTheListFollowsTheHeight) {
    // Below 2175 twips step 1 would need a negative width.
    MainLayout l = laid_out(6765, 7260);
    const MainLayout before = l;
    apply_main_layout(l, ClientArea{0, 2174, 5000, 420});
    EXPECT_EQ(l.cmbSearchFor, before.cmbSearchFor);
    EXPECT_EQ(l.cmdFind, before.cmdFind);
    EXPECT_EQ(l.chkEntireCellContent, before.chkEntireCellContent);
    EXPECT_EQ(l.CommandButton2, before.CommandButton2);
    EXPECT_EQ(l.lvwMain.height, 5000 - (870 + 45 + 420));

    // Exactly 2175 leaves a zero-wide box, which is still a valid size.
    apply_main_layout(l, ClientArea{0, 2175, 5000, 420});
    EXPECT_EQ(l.cmbSearchFor.width, 0);
    EXPECT_EQ(l.cmdFind.left, 1125);
}

TEST(MainLayout, TooShortOrMinimisedKeepsTheListWhereItWas) {
    MainLayout l = laid_out(6765, 7260);
    const MainLayout before = l;
    apply_main_layout(l, ClientArea{0, 6765, 1334, 420});  // 1335 is the least the list fits in
    EXPECT_EQ(l.lvwMain, before.lvwMain);
    apply_main_layout(l, ClientArea{0, 0, 0, 420});  // minimised: nothing moves at all
    EXPECT_EQ(l.cmbSearchFor, before.cmbSearchFor);
    EXPECT_EQ(l.lvwMain, before.lvwMain);
    // Restoring applies the rule to the restored size again.
    apply_main_layout(l, ClientArea{0, 6765, 7260, 420});
    EXPECT_EQ(l.lvwMain, before.lvwMain);
    EXPECT_EQ(l.cmbSearchFor, before.cmbSearchFor);
}

TEST(MainLayout, StatusBarHeightMovesTheListBottom) {
    EXPECT_EQ(laid_out(6765, 7260, 600).lvwMain.height, 7260 - (870 + 45 + 600));
    EXPECT_EQ(laid_out(6765, 7260, 300).lvwMain.height, 7260 - (870 + 45 + 300));
}

TEST(MainDesign, ButtonColumnAndSharedEdgesAreConsistent) {
    // Guards the table against a typo: equal buttons 405 twips apart, one left edge
    // and width for the combo boxes and the check box.
    const int buttons[] = {design::cmdFind,        design::cmdReplace, design::cmdReplaceAll,
                           design::CommandButton2, design::cmdAbout,   design::cmdOptions};
    for (int i = 0; i < 6; ++i) {
        const Geometry& g = design::controls[buttons[i]].geometry;
        EXPECT_EQ(g, (Geometry{5715, 405.0f * i, 1005, 375}));
    }
    for (int c : {design::cmbSearchFor, design::cmbReplace, design::chkEntireCellContent}) {
        EXPECT_EQ(design::controls[c].geometry.left, 1080);
        EXPECT_EQ(design::controls[c].geometry.width, 4515);
    }
    // Enter anywhere in the window presses Find; Esc presses Cancel.
    EXPECT_EQ(design::controls[tarvex::enter_presses].name, u"cmdFind");
    EXPECT_EQ(design::controls[tarvex::esc_presses].name, u"CommandButton2");
}
