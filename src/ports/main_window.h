#pragma once
// What Search and the main window's own sequences ask of the window itself:
// frmMain implements both over its Win32 window, native tests record them.
namespace tarvex {

// What Search does with the main window.
class MainWindowPort {
public:
    virtual ~MainWindowPort() = default;
    virtual void Hide() = 0;  // loads the window first when it is not loaded
    virtual void setmeup() = 0;
    virtual void Show() = 0;  // modeless
    virtual void ZOrder() = 0;
    virtual void SetFocus() = 0;
};

// What only the window itself can do, in the order the unload sequence decides.
class FrmMainPlatform {
public:
    virtual ~FrmMainPlatform() = default;
    virtual void unload_about_box() = 0;
    virtual void close_context_help() = 0;
    // Destroys the window and its controls.
    virtual void destroy() = 0;
};

}  // namespace tarvex
