#pragma once
// frmMain's steps that decide something without the platform.

namespace tarvex {

// The steps of unloading the window before it is destroyed: the host's active
// workbook (not necessarily the target workbook) is activated, which hands the
// focus back to the host. The window closes whatever happens here, so a host
// without a workbook, or one that fails the call, is passed over.
void run_unload_steps();

}  // namespace tarvex
