#pragma once
// The host ports over the host's automation object model, called late-bound
// through IDispatch exactly as a macro-language client calls it: names resolved
// with GetIDsOfNames, positional arguments, omitted optionals as
// VT_ERROR/DISP_E_PARAMNOTFOUND. Every failed call becomes a HostError with the
// host's code, description and source.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <memory>

#include "ports/host.h"

namespace tarvex {

// `application` is the host's Application object; a null pointer gives nullptr.
std::shared_ptr<HostApplication> make_host_application(Microsoft::WRL::ComPtr<IDispatch> application);

}  // namespace tarvex
