#pragma once
// The add-in's module-level state and its one public operation, Search, in
// portable form: the COM class forwards to search() after checking its argument.
#include <memory>

#include "engine/undo.h"
#include "ports/host.h"

namespace tarvex {

// The two module-level globals. Each Search replaces both; they live until the
// DLL unloads. target_workbook is empty when the host had no active workbook.
struct AddinGlobals {
    std::shared_ptr<HostApplication> application;
    std::shared_ptr<HostWorkbook> target_workbook;
    // What the last Replace or Replace All wrote, for Undo Replace.
    UndoRecord last_replace;
};
AddinGlobals& globals();

// What Search does with the main window; frmMain implements it.
class MainWindowPort {
public:
    virtual ~MainWindowPort() = default;
    virtual void Hide() = 0;  // loads the window first when it is not loaded
    virtual void setmeup() = 0;
    virtual void Show() = 0;  // modeless
    virtual void ZOrder() = 0;
    virtual void SetFocus() = 0;
};

// Search's steps after the argument check: stores the application and its active
// workbook, hides (loading) the window, activates the host's active workbook,
// prepares and shows the window in front with the focus. A failing step throws
// its HostError; what earlier steps did stays done.
void search(std::shared_ptr<HostApplication> application, MainWindowPort& window);

}  // namespace tarvex
