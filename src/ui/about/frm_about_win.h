#pragma once
// frmAbout: the About box. There is one per DLL; it is loaded when first shown,
// shown modeless beside the main window, and unloaded by OK, its close box or the
// main window's unload. Showing it again loads it again.
#include <windows.h>

namespace tarvex {

// Loads the box if it is not loaded, shows it and brings it to the front, so
// pressing About twice still shows one box. Never throws; a box that cannot be
// created is simply not shown.
void show_about_box() noexcept;
// Destroys the box if it is loaded.
void unload_about_box() noexcept;
// The loaded box, or nullptr.
HWND about_box_handle() noexcept;

// Whether the mail link is lit (blue and underlined), for tests.
bool about_link_hot() noexcept;
// The module the box takes its icon and documents from; the DLL itself unless a
// test that links these adapters directly points it at the built DLL.
void use_about_resources_from(HMODULE module) noexcept;

}  // namespace tarvex
