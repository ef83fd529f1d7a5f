#pragma once
#include <windows.h>

namespace tarvex {

// The DLL's own module handle: GetModuleHandle(nullptr) would be the host's.
HINSTANCE module_instance();

// Registers a window class of this DLL once (with the DLL's module handle) and
// remembers it, so that DLL unload can unregister every class it registered.
[[nodiscard]] ATOM register_window_class(const WNDCLASSEXW& window_class);
void unregister_window_classes();

}  // namespace tarvex
