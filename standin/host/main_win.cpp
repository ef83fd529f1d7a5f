// tarvex-host.exe: the stand-in spreadsheet host's own window.
//
//   tarvex-host [--title TEXT] [WORKBOOK.wb ...]
//
// Each workbook file is opened in turn; the last one opened is active.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "host/host_window_win.h"

namespace {

struct LocalFreeDeleter {
    void operator()(void* memory) const noexcept { ::LocalFree(memory); }
};

struct CommandLine {
    std::u16string title;
    std::vector<std::u16string> files;
    std::u16string problem;  // non-empty when something was not understood
};

CommandLine parse_command_line() {
    CommandLine parsed;
    int count = 0;
    std::unique_ptr<LPWSTR, LocalFreeDeleter> args(::CommandLineToArgvW(::GetCommandLineW(), &count));
    if (!args) {
        return parsed;
    }
    for (int i = 1; i < count; ++i) {
        const std::u16string arg = reinterpret_cast<const char16_t*>(args.get()[i]);
        if (arg == u"--title") {
            if (i + 1 < count) {
                parsed.title = reinterpret_cast<const char16_t*>(args.get()[++i]);
            } else {
                parsed.problem = u"--title needs a text.";
            }
        } else if (arg.starts_with(u"--")) {
            parsed.problem = u"Unknown option " + arg + u".";
        } else {
            parsed.files.push_back(arg);
        }
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
        const bool ours = message.hwnd == window || ::IsChild(window, message.hwnd);
        if (ours && accelerators && ::TranslateAcceleratorW(window, accelerators, &message)) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show_command) {
    try {
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_STANDARD_CLASSES | ICC_TAB_CLASSES;
        ::InitCommonControlsEx(&controls);

        const CommandLine command_line = parse_command_line();
        standin::host::HostWindow window(std::make_shared<standin::Application>());
        window.set_title_override(command_line.title);
        if (!window.create(show_command)) {
            ::MessageBoxW(nullptr, L"The main window could not be created.", L"tarvex-host", MB_OK | MB_ICONERROR);
            return 1;
        }
        if (!command_line.problem.empty()) {
            const std::u16string text =
                command_line.problem + u"\n\nUsage: tarvex-host [--title TEXT] [WORKBOOK.wb ...]";
            ::MessageBoxW(window.hwnd(), standin::host::wide(text), L"tarvex-host", MB_OK | MB_ICONEXCLAMATION);
        }
        window.open_files(command_line.files);
        return run_message_loop(window.hwnd(), window.accelerators());
    } catch (...) {
        ::MessageBoxW(nullptr, L"tarvex-host stopped after an unexpected error.", L"tarvex-host", MB_OK | MB_ICONERROR);
        return 1;
    }
}
