#include "ui/about/system_win.h"

#include <shellapi.h>

#include "base/platform_win.h"

namespace tarvex::about {
namespace {

// A W function stops at the first NUL, so a text holding one would name some
// other file than the one the caller has: such a text names nothing.
bool usable(const std::u16string& path) {
    return !path.empty() && path.find(u'\0') == std::u16string::npos;
}

}  // namespace

bool SystemWin::is_ordinary_file(const std::u16string& path) {
    if (!usable(path)) {
        return false;
    }
    const DWORD attributes = ::GetFileAttributesW(wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

bool SystemWin::start_program(const std::u16string& path) {
    if (!usable(path)) {
        return false;
    }
    // The path is the program itself, spaces and all; the command line repeats it
    // quoted, as the program's argv[0].
    std::u16string command_line = u"\"" + path + u"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(wide(path), reinterpret_cast<wchar_t*>(command_line.data()), nullptr, nullptr, FALSE, 0,
                          nullptr, nullptr, &startup, &process)) {
        return false;
    }
    // Not waited for: the tool runs on its own.
    const UniqueKernelHandle thread(process.hThread);
    const UniqueKernelHandle program(process.hProcess);
    // The new program's window may take the foreground from ours.
    ::AllowSetForegroundWindow(process.dwProcessId);
    return true;
}

std::u16string SystemWin::expand_environment(const std::u16string& text) {
    std::u16string expanded(text.size() + 1, u'\0');
    // The size needed can grow between two calls when the environment changes.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD needed = ::ExpandEnvironmentStringsW(wide(text), reinterpret_cast<wchar_t*>(expanded.data()),
                                                         static_cast<DWORD>(expanded.size()));
        if (needed == 0) {
            return text;
        }
        if (needed <= expanded.size()) {
            expanded.resize(needed - 1);
            return expanded;
        }
        expanded.assign(needed, u'\0');
    }
    return text;
}

void SystemWin::open_url(const std::u16string& url) {
    if (!usable(url)) {
        return;
    }
    HWND owner = owner_ && ::IsWindow(owner_) ? owner_ : nullptr;
    // The shell's answer is not looked at; a machine without a mail program simply
    // shows nothing.
    ::ShellExecuteW(owner, L"open", wide(url), L"", L"", 0);
}

}  // namespace tarvex::about
