#pragma once
#include <windows.h>

#include "base/module_win.h"

namespace tarvex {

// Registers a window class of this DLL once (with the DLL's module handle) and
// remembers it, so that DLL unload can unregister every class it registered.
[[nodiscard]] ATOM register_window_class(const WNDCLASSEXW& window_class);
void unregister_window_classes();

}  // namespace tarvex
