// tarvex-host.exe as a user starts it: it opens a workbook, opens Tarvex the way a
// host's macro does (the DLL by path here, since the test prefix has nothing
// registered), searches, and prints what the Tarvex window lists.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/process_win.h"
#include "support/window_driver_win.h"

namespace {

using tarvex::test::build_folder;

// Runs the host with `arguments`, waits for it to end by itself and returns its
// standard output.
std::string run_host(const std::wstring& arguments, DWORD* exit_code) {
    return tarvex::test::run_captured(L"\"" + build_folder() + L"\\standin\\tarvex-host.exe\" " + arguments, exit_code);
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
