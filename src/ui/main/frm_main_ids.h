#pragma once
// Control identifiers of frmMain: the design table's index plus a base, except the
// Cancel button, which carries the dialog manager's IDCANCEL so that Esc presses it.
#include "ui/main/main_design.h"

namespace tarvex::frm_main_ids {

inline constexpr int base = 1000;
inline constexpr int cancel = 2;  // IDCANCEL

constexpr int control_id(int design_index) {
    return design_index == main_design::CommandButton2 ? cancel : base + design_index;
}

// The window class: a name no host window class can have.
inline constexpr wchar_t window_class[] = L"Tarvex.frmMain.Window";

}  // namespace tarvex::frm_main_ids
