#include "ui/main/help_win.h"

#include <htmlhelp.h>

#include "base/platform_win.h"
#include "ui/controls/window_class_win.h"

namespace tarvex {
namespace {

using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

// Set once HTML Help has been loaded; F1 and the unload run on the host's one
// user-interface thread.
HtmlHelpFunction loaded_html_help = nullptr;

// HTML Help is loaded when F1 is first pressed, from the system folder only, so
// that nothing needs linking and a host without it still loads the DLL. It is
// never unloaded: its help window lives on a thread of its own inside it, and the
// DLL may unload while that window is open.
HtmlHelpFunction html_help() {
    static const HtmlHelpFunction function = []() -> HtmlHelpFunction {
        // The owner lets go of it at once: HTML Help stays loaded for good (see above).
        const HMODULE module = load_system_library(L"hhctrl.ocx").release();
        if (!module) {
            return nullptr;
        }
        loaded_html_help =
            reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(::GetProcAddress(module, "HtmlHelpW")));
        return loaded_html_help;
    }();
    return function;
}

}  // namespace

int context_help_topic(const HELPINFO* info, int window_topic) noexcept {
    if (!info) {
        return window_topic;
    }
    if (info->dwContextId != 0) {
        return static_cast<int>(info->dwContextId);
    }
    // The focused window may be part of a control (the edit field of a combo box):
    // the control's own topic is the one that helps.
    if (info->iContextType == HELPINFO_WINDOW) {
        for (HWND at = static_cast<HWND>(info->hItemHandle); at && ::IsWindow(at); at = ::GetParent(at)) {
            if (const DWORD id = ::GetWindowContextHelpId(at)) {
                return static_cast<int>(id);
            }
            if (!(::GetWindowLongPtrW(at, GWL_STYLE) & WS_CHILD)) {
                break;  // no further than the top-level window
            }
        }
    }
    return window_topic;
}

std::wstring context_help_file() {
    const std::wstring dll = module_path(module_instance());
    if (dll.empty()) {
        return std::wstring();
    }
    return folder_of(dll) + L"Tarvex.chm";
}

void show_context_help(HWND window, const HELPINFO* info, int window_topic) noexcept {
    try {
        const int topic = context_help_topic(info, window_topic);
        const std::wstring file = context_help_file();
        // HTML Help has messages of its own for a missing file; the add-in's
        // answer to a help file that is not there is to show nothing.
        const DWORD attributes = ::GetFileAttributesW(file.c_str());
        if (file.empty() || attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return;
        }
        if (const HtmlHelpFunction help = html_help()) {
            help(window, file.c_str(), HH_HELP_CONTEXT, static_cast<DWORD_PTR>(topic));
        }
    } catch (...) {
        // F1 must never take the window down.
    }
}

void close_context_help() noexcept {
    // Nothing was opened if HTML Help was never loaded, and loading it now only to
    // close nothing is not worth it.
    if (loaded_html_help) {
        loaded_html_help(nullptr, nullptr, HH_CLOSE_ALL, 0);
    }
}

}  // namespace tarvex
