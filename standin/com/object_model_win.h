#pragma once
// The stand-in spreadsheet exposed as the host's automation object model: the
// objects a late-bound client reaches from the Application object (workbooks,
// sheets, ranges), found by name through IDispatch and called with the same
// argument conventions and error codes as the real host's.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <memory>

#include "model/model.h"

namespace standin {

// {000208D5-0000-0000-C000-000000000046}: the host's Application interface. A
// client asks the object it is handed for it to tell the host's Application
// apart from any other automation object.
extern const IID iid_host_application;

// The Application object of `app`. Every object reached from it shares `app`.
Microsoft::WRL::ComPtr<IDispatch> make_application_object(std::shared_ptr<Application> app);

// Objects (and enumerators) of this object model alive now, so tests can prove
// that releasing every reference frees them all.
int live_object_count();

}  // namespace standin
