#pragma once
// The host's add-in contract, declared from its documentation: the interfaces a
// COM add-in implements so that the host loads it at start-up and asks it for
// ribbon controls, and the control object the host passes to ribbon callbacks.
// All three are dual interfaces on IDispatch; the host calls the first two
// through their vtables and the callbacks by name through IDispatch.
#include <windows.h>
#include <oaidl.h>

namespace tarvex::office {

// {B65AD801-ABAF-11D0-BB8B-00A0C90F2744}
inline constexpr IID iid_extensibility2 = {
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};
// {000C0396-0000-0000-C000-000000000046}
inline constexpr IID iid_ribbon_extensibility = {0x000C0396, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {000C0395-0000-0000-C000-000000000046}
inline constexpr IID iid_ribbon_control = {0x000C0395, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// How the host connects an add-in, and why it disconnects it.
enum ConnectMode : int { after_startup = 0, startup = 1, external = 2, command_line = 3 };
enum DisconnectMode : int { host_shutdown = 0, user_closed = 1 };

struct IDTExtensibility2 : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, ConnectMode mode, IDispatch* add_in,
                                                   SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnDisconnection(DisconnectMode mode, SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;
};

struct IRibbonExtensibility : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR ribbon_id, BSTR* xml) = 0;
};

struct IRibbonControl : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Id(BSTR* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Context(IDispatch** context) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Tag(BSTR* tag) = 0;
};

// Their DISPIDs, for hosts and callers that reach them through IDispatch.
inline constexpr DISPID dispid_get_custom_ui = 1;
inline constexpr DISPID dispid_control_id = 1;
inline constexpr DISPID dispid_control_context = 2;
inline constexpr DISPID dispid_control_tag = 3;

}  // namespace tarvex::office
