// tarvex-host.exe: the stand-in spreadsheet host's own window.
//
//   tarvex-host [--title TEXT] [--dll PATH] [--open-tarvex] [--press LABEL]...
//               [--search TEXT] [--exit-after-ms N] [WORKBOOK.wb ...]
//
// Each workbook file is opened in turn; the last one opened is active.
//
//   --dll PATH          load Tarvex.dll from PATH instead of the registered server
//   --open-tarvex       open Tarvex once the workbooks are open, as Tools > Tarvex... does
//   --press LABEL       press the COM add-in button with that label, as a click does;
//                       given more than once, the window the button opened is closed
//                       with its Cancel button before the next press
//   --search TEXT       open Tarvex (or, with --press, after each press), search for
//                       TEXT and print the result list and the status bar to the
//                       standard output
//
// What the COM add-ins did (loaded, buttons, disconnected) is printed to the
// standard output at exit, with the host objects still alive and whether
// Tarvex.dll could be unloaded.
//   --exit-after-ms N   close the window after N milliseconds
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/owners_win.h"
#include "base/platform_win.h"
#include "base/text.h"
#include "com/object_model_win.h"
#include "host/host_window_win.h"
#include "host/scripted_search_win.h"

namespace {

using standin::host::wide;

const char16_t usage[] =
    u"Usage: tarvex-host [--title TEXT] [--dll PATH] [--open-tarvex] [--press LABEL]... [--search TEXT] "
    u"[--exit-after-ms N] "
    u"[WORKBOOK.wb ...]";

struct CommandLine {
    std::u16string title;
    std::u16string dll;
    bool open_tarvex = false;
    std::vector<std::u16string> presses;
    std::optional<std::u16string> search;
    std::optional<UINT> exit_after_ms;
    std::vector<std::u16string> files;
    std::u16string problem;  // non-empty when something was not understood
};

// Up to about 24 days: a longer wait is a typing mistake, not a plan.
std::optional<UINT> parse_milliseconds(const std::u16string& text) {
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    unsigned long long value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned long long>(c - u'0');
    }
    if (value > 0x7FFFFFFF) {
        return std::nullopt;
    }
    return static_cast<UINT>(value);
}

CommandLine parse_command_line() {
    CommandLine parsed;
    int count = 0;
    const tarvex::UniqueLocalMemory<LPWSTR> args(::CommandLineToArgvW(::GetCommandLineW(), &count));
    if (!args) {
        return parsed;
    }
    auto arg_at = [&](int i) { return tarvex::from_wide(args.get()[i]); };
    for (int i = 1; i < count; ++i) {
        const std::u16string arg = arg_at(i);
        const bool takes_value = arg == u"--title" || arg == u"--dll" || arg == u"--search" ||
                                 arg == u"--exit-after-ms" || arg == u"--press";
        if (takes_value && i + 1 >= count) {
            parsed.problem = arg + u" needs a value.";
            continue;
        }
        if (arg == u"--title") {
            parsed.title = arg_at(++i);
        } else if (arg == u"--dll") {
            parsed.dll = arg_at(++i);
            if (parsed.dll.empty()) {
                parsed.problem = u"--dll needs a path.";
            }
        } else if (arg == u"--press") {
            parsed.presses.push_back(arg_at(++i));
        } else if (arg == u"--search") {
            parsed.search = arg_at(++i);
        } else if (arg == u"--exit-after-ms") {
            const std::u16string value = arg_at(++i);
            parsed.exit_after_ms = parse_milliseconds(value);
            if (!parsed.exit_after_ms) {
                parsed.problem = u"--exit-after-ms needs a number of milliseconds, not \"" + value + u"\".";
            }
        } else if (arg == u"--open-tarvex") {
            parsed.open_tarvex = true;
        } else if (arg.starts_with(u"--")) {
            parsed.problem = u"Unknown option " + arg + u".";
        } else {
            parsed.files.push_back(arg);
        }
    }
    // A search opens Tarvex the macro's way unless buttons are pressed instead.
    if (parsed.search && parsed.presses.empty()) {
        parsed.open_tarvex = true;
    }
    return parsed;
}

// Accelerators apply to the host window and its children only: another window on
// this thread (the Tarvex window) keeps its own keys.
int run_message_loop(HWND window, HACCEL accelerators) {
    MSG message{};
    for (;;) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            return static_cast<int>(message.wParam);
        }
        if (got == -1) {
            return 1;
        }
        const bool ours = window && (message.hwnd == window || ::IsChild(window, message.hwnd));
        if (ours && accelerators && ::TranslateAcceleratorW(window, accelerators, &message)) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

BOOL CALLBACK collect_top_level(HWND window, LPARAM windows) {
    // A Tarvex window counts hidden too: Search may have loaded one and failed
    // before showing it.
    const bool shown = ::IsWindowVisible(window) && !::GetWindow(window, GW_OWNER);
    if (shown || standin::host::is_tarvex_window(window)) {
        reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    }
    return TRUE;
}

// A host that quits takes its add-ins' windows with it. They are asked to close
// as the user would close them, so that each saves what it keeps (Tarvex its
// column layout), and they are gone before OLE and the add-in's library are.
void close_remaining_windows() {
    std::vector<HWND> windows;
    ::EnumThreadWindows(::GetCurrentThreadId(), collect_top_level, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
        if (::IsWindow(window)) {
            ::SendMessageW(window, WM_CLOSE, 0, 0);
        }
    }
    for (HWND window : windows) {
        if (::IsWindow(window)) {
            ::DestroyWindow(window);
        }
    }
}

// The Tarvex window's Cancel button, pressed as a user presses it.
void close_with_cancel(HWND tarvex) {
    if (!tarvex) {
        return;
    }
    for (HWND child = ::GetWindow(tarvex, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[32] = {};
        ::GetWindowTextW(child, text, 32);
        if (std::wstring(text) == L"&Cancel") {
            ::SendMessageW(child, BM_CLICK, 0, 0);
            return;
        }
    }
}

// What the COM add-ins did, and whether anything of theirs outlived them: the
// host's objects they might still hold, and Tarvex.dll, which COM unloads once
// nothing of it is in use.
void report_addins(std::vector<std::u16string> lines) {
    if (lines.empty()) {
        return;
    }
    ::CoFreeUnusedLibrariesEx(0, 0);
    lines.push_back(u"addins: host objects alive " + tarvex::decimal(standin::live_object_count()));
    lines.push_back(::GetModuleHandleW(L"Tarvex.dll") ? u"addins: Tarvex.dll still loaded"
                                                      : u"addins: Tarvex.dll unloaded");
    standin::host::write_lines(STD_OUTPUT_HANDLE, lines);
}

void search_and_print(const std::u16string& text) {
    const HWND tarvex = standin::host::find_tarvex_window();
    if (!tarvex) {
        standin::host::write_lines(STD_ERROR_HANDLE, {u"tarvex-host: the Tarvex window did not appear."});
        return;
    }
    standin::host::write_lines(STD_OUTPUT_HANDLE, standin::host::run_scripted_search(tarvex, text));
}

int run(int show_command) {
    // OLE for the whole run: the add-in is an OLE server and its window uses the
    // clipboard and drag and drop like any other.
    const tarvex::OleScope ole;
    if (FAILED(ole.status())) {
        ::MessageBoxW(nullptr, L"OLE could not be initialised.", L"tarvex-host", MB_OK | MB_ICONERROR);
        return 1;
    }
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_TAB_CLASSES;
    ::InitCommonControlsEx(&controls);

    const CommandLine command_line = parse_command_line();
    int exit_code = 0;
    std::vector<std::u16string> addin_log;
    {
        standin::host::HostWindow window(std::make_shared<standin::Application>());
        window.set_title_override(command_line.title);
        window.set_tarvex_dll(command_line.dll);
        if (!window.create(show_command)) {
            ::MessageBoxW(nullptr, L"The main window could not be created.", L"tarvex-host", MB_OK | MB_ICONERROR);
            return 1;
        }
        // Armed first, so that a scripted run ends even when a message box waits.
        if (command_line.exit_after_ms) {
            window.close_after(*command_line.exit_after_ms);
        }
        if (!command_line.problem.empty()) {
            const std::u16string text = command_line.problem + u"\n\n" + usage;
            standin::host::write_lines(STD_ERROR_HANDLE, {u"tarvex-host: " + command_line.problem, usage});
            ::MessageBoxW(window.hwnd(), wide(text), L"tarvex-host", MB_OK | MB_ICONEXCLAMATION);
        }
        if (window.hwnd()) {
            window.open_files(command_line.files);
        }
        for (std::size_t i = 0; i < command_line.presses.size() && window.hwnd(); ++i) {
            if (i > 0) {
                close_with_cancel(standin::host::find_tarvex_window());
            }
            if (const std::optional<std::u16string> failure = window.press_addin_button(command_line.presses[i])) {
                standin::host::write_lines(STD_ERROR_HANDLE, {u"tarvex-host: " + *failure});
            } else if (command_line.search) {
                search_and_print(*command_line.search);
            }
        }
        if (window.hwnd() && command_line.open_tarvex) {
            if (const std::optional<std::u16string> failure = window.on_open_tarvex()) {
                standin::host::write_lines(STD_ERROR_HANDLE, {u"tarvex-host: " + *failure});
            } else if (command_line.search && window.hwnd()) {
                search_and_print(*command_line.search);
            }
        }
        // A window closed while a message box waited has ended the run already.
        if (window.hwnd()) {
            exit_code = run_message_loop(window.hwnd(), window.accelerators());
        }
        close_remaining_windows();
        addin_log = window.addin_log();
    }
    report_addins(std::move(addin_log));
    return exit_code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show_command) {
    try {
        return run(show_command);
    } catch (...) {
        ::MessageBoxW(nullptr, L"tarvex-host stopped after an unexpected error.", L"tarvex-host", MB_OK | MB_ICONERROR);
        return 1;
    }
}
