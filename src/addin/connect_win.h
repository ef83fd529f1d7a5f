#pragma once
// Connect, the COM add-in that puts Tarvex's button on the host's ribbon. The
// host creates it at start-up, hands it its Application object, asks it for the
// ribbon's XML and calls the button's callbacks by name; the button opens Tarvex
// exactly as a macro's Search(Application) does.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include "base/com_object_win.h"
#include "base/office_contract_win.h"

namespace tarvex {

// The DISPIDs of the ribbon callbacks, as GetIDsOfNames answers them.
inline constexpr DISPID dispid_button_click = 0x7000;
inline constexpr DISPID dispid_button_image = 0x7001;

class Connect final : public com::Object<office::IDTExtensibility2, office::IRibbonExtensibility> {
public:
    [[nodiscard]] static HRESULT create(REFIID iid, void** object) noexcept;

    // IDispatch: the ribbon callbacks, by name. The host finds them by the names
    // its ribbon XML gives and asks for no type information.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argument_error) override;

    // IDTExtensibility2
    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, office::ConnectMode mode, IDispatch* add_in,
                                           SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnDisconnection(office::DisconnectMode mode, SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

    // IRibbonExtensibility
    HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR ribbon_id, BSTR* xml) override;

private:
    Connect();
    ~Connect() override = default;

    // The button: Search with the kept Application, as the macro calls it.
    HRESULT open_tarvex(EXCEPINFO* exception) noexcept;

    // The host's Application, from OnConnection to OnDisconnection.
    Microsoft::WRL::ComPtr<IDispatch> application_;
};

}  // namespace tarvex
