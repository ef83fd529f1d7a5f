#include "ui/main/main_design.h"

namespace tarvex::main_design {

MainLayout design_layout() {
    MainLayout l;
    l.cmbSearchFor = controls[cmbSearchFor].geometry;
    l.cmdFind = controls[cmdFind].geometry;
    l.cmbReplace = controls[cmbReplace].geometry;
    l.chkEntireCellContent = controls[chkEntireCellContent].geometry;
    l.cmdReplace = controls[cmdReplace].geometry;
    l.cmdAbout = controls[cmdAbout].geometry;
    l.cmdReplaceAll = controls[cmdReplaceAll].geometry;
    l.CommandButton2 = controls[CommandButton2].geometry;
    l.lvwMain = controls[lvwMain].geometry;
    l.cmdOptions = controls[cmdOptions].geometry;
    return l;
}

}  // namespace tarvex::main_design
