#include "support/process_win.h"

#include "base/owners_win.h"

namespace tarvex::test {

std::string run_captured(const std::wstring& command_line, DWORD* exit_code, DWORD timeout_ms) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    if (!::CreatePipe(&read_end, &write_end, &inherit, 0)) {
        return {};
    }
    UniqueKernelHandle reader(read_end);
    UniqueKernelHandle writer(write_end);
    ::SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end;
    startup.hStdError = write_end;
    std::wstring command = command_line;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        return {};
    }
    UniqueKernelHandle process_handle(process.hProcess);
    UniqueKernelHandle thread_handle(process.hThread);
    writer.reset();  // only the child writes now

    std::string output;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(read_end, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        output.append(buffer, got);
    }
    ::WaitForSingleObject(process.hProcess, timeout_ms);
    ::GetExitCodeProcess(process.hProcess, exit_code);
    return output;
}

DWORD regsvr32(const std::wstring& options, const std::wstring& dll, const std::wstring& program) {
    DWORD exit_code = 1;
    run_captured(L"\"" + program + L"\" /s " + options + L" \"" + dll + L"\"", &exit_code, 120000);
    return exit_code;
}

bool runs_32bit_programs() {
    wchar_t answer[8] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"TARVEX_RUNS_32BIT", answer, std::size(answer));
    return !(length == 2 && ::lstrcmpiW(answer, L"no") == 0);
}

}  // namespace tarvex::test
