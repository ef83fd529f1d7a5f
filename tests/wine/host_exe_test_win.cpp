// tarvex-host.exe as a user starts it: it opens a workbook, opens Tarvex the way a
// host's macro does (the DLL by path here, since the test prefix has nothing
// registered), searches, and prints what the Tarvex window lists.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "base/owners_win.h"
#include "support/window_driver_win.h"

namespace {

using tarvex::UniqueKernelHandle;
using tarvex::test::build_folder;

// Runs the host with `arguments`, waits for it to end by itself and returns its
// standard output.
std::string run_host(const std::wstring& arguments, DWORD* exit_code) {
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
    std::wstring command = L"\"" + build_folder() + L"\\standin\\tarvex-host.exe\" " + arguments;
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
    ::WaitForSingleObject(process.hProcess, 60000);
    ::GetExitCodeProcess(process.hProcess, exit_code);
    return output;
}

std::wstring temp_workbook(const char* text) {
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"host_exe_test.wb";
    std::ofstream(path.c_str(), std::ios::binary) << text;
    return path;
}

}  // namespace

TEST(HostExe, OpensTarvexAndPrintsTheSearchResult) {
    const std::wstring book = temp_workbook(
        "sheet Plants\n"
        "A1|Lavender\n"
        "B4|lavender oil|format=@\n"
        "sheet Notes\n"
        "C2|no match here\n");
    DWORD exit_code = 1;
    const std::string output = run_host(
        L"--dll \"" + build_folder() + L"\\Tarvex.dll\" --search lavender " + L"--exit-after-ms 3000 \"" + book + L"\"",
        &exit_code);
    ::DeleteFileW(book.c_str());
    EXPECT_EQ(exit_code, 0u);
    EXPECT_EQ(output,
              "Plants\t$B$4\tlavender oil\n"
              "Plants\t$A$1\tLavender\n"
              "status: Done(2 matches)  ...\n")
        << output;
}

TEST(HostExe, AMissingDllIsReportedNotFatal) {
    const std::wstring book = temp_workbook("sheet S\nA1|x\n");
    DWORD exit_code = 1;
    const std::string output = run_host(
        L"--dll \"" + build_folder() + L"\\NoSuch.dll\" --search x --exit-after-ms 2000 \"" + book + L"\"", &exit_code);
    ::DeleteFileW(book.c_str());
    // The host stays up and ends normally; the failure is printed for scripted runs.
    EXPECT_EQ(exit_code, 0u);
    EXPECT_NE(output.find("could not be opened"), std::string::npos) << output;
}
