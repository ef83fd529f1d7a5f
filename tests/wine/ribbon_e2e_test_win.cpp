// The ribbon button from end to end: Tarvex.dll registered with the add-in
// option, tarvex-host.exe started as a user starts the host, the button pressed,
// a Find run in the window it opens; Cancel, pressed again, and the host closed
// with the window open. The host prints what its add-ins did and whether any of
// its objects or Tarvex.dll outlived them.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/process_win.h"
#include "support/window_driver_win.h"

namespace {

using tarvex::test::build_folder;
using tarvex::test::run_captured;

constexpr wchar_t addins_key[] = L"Software\\Microsoft\\Office\\Excel\\Addins";

DWORD regsvr32(const std::wstring& options) {
    return tarvex::test::regsvr32(options, tarvex::test::tarvex_dll_path());
}

class RibbonButton : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t folder[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, folder);
        book_ = std::wstring(folder) + L"ribbon_e2e.wb";
        std::ofstream(book_.c_str(), std::ios::binary) << "sheet Plants\nA1|Lavender\nB4|lavender oil\n";
        clean();
    }
    void TearDown() override {
        clean();
        ::DeleteFileW(book_.c_str());
    }
    static void clean() {
        regsvr32(L"/u");
        regsvr32(L"/u /n /i:user");
    }

    std::string run_host(const std::wstring& options) const {
        DWORD exit_code = 1;
        const std::string output = run_captured(L"\"" + build_folder() + L"\\standin\\tarvex-host.exe\" " + options +
                                                    L" --exit-after-ms 3000 \"" + book_ + L"\"",
                                                &exit_code, 120000);
        EXPECT_EQ(exit_code, 0u) << output;
        return output;
    }

    std::wstring book_;
};

std::size_t count_of(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

TEST_F(RibbonButton, OpensTarvexAgainAndAgainAndLeavesNothingBehindWhenTheHostCloses) {
    // Per machine: Wine's COM does not create classes registered for the user only.
    ASSERT_EQ(regsvr32(L"/n /i:addin"), 0u);
    const std::string output = run_host(L"--press \"Find in Workbook\" --press \"Find in Workbook\" --search lavender");
    const std::string found =
        "Plants\t$B$4\tlavender oil\n"
        "Plants\t$A$1\tLavender\n"
        "status: Done(2 matches)  ...\n";
    // Once after each press; the window of the first press was closed with Cancel.
    EXPECT_EQ(count_of(output, found), 2u) << output;
    EXPECT_NE(output.find("addin ExcelTarvex.Connect: connected"), std::string::npos) << output;
    EXPECT_NE(output.find("addin ExcelTarvex.Connect: button \"Find in Workbook\" with its image"), std::string::npos)
        << output;
    // The host closed with the window open: the add-in closed it and let go.
    EXPECT_NE(output.find("addin ExcelTarvex.Connect: disconnected"), std::string::npos) << output;
    EXPECT_NE(output.find("addins: host objects alive 0"), std::string::npos) << output;
    EXPECT_NE(output.find("addins: Tarvex.dll unloaded"), std::string::npos) << output;

    // Unregistered, the host shows no button.
    ASSERT_EQ(regsvr32(L"/u"), 0u);
    const std::string after = run_host(L"--press \"Find in Workbook\"");
    EXPECT_EQ(after.find("connected"), std::string::npos) << after;
    EXPECT_NE(after.find("there is no add-in button"), std::string::npos) << after;
}

TEST_F(RibbonButton, WithoutTheAddinOptionTheHostShowsNoButton) {
    ASSERT_EQ(regsvr32(L""), 0u);
    const std::string output = run_host(L"--press \"Find in Workbook\"");
    EXPECT_EQ(output.find("ExcelTarvex.Connect"), std::string::npos) << output;
    EXPECT_NE(output.find("there is no add-in button"), std::string::npos) << output;
}

TEST_F(RibbonButton, AnAddinThatCannotLoadIsTurnedOffAsTheHostDoes) {
    const std::wstring entry = std::wstring(addins_key) + L"\\Nobody.There";
    const DWORD load_at_startup = 3;
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, entry.c_str(), L"LoadBehavior", REG_DWORD, &load_at_startup,
                                sizeof(load_at_startup)),
              ERROR_SUCCESS);
    const std::string output = run_host(L"");
    EXPECT_NE(output.find("addin Nobody.There: not loaded"), std::string::npos) << output;
    DWORD behaviour = 0;
    DWORD size = sizeof(behaviour);
    EXPECT_EQ(
        ::RegGetValueW(HKEY_CURRENT_USER, entry.c_str(), L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &behaviour, &size),
        ERROR_SUCCESS);
    EXPECT_EQ(behaviour, 2u);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, entry.c_str());
}

}  // namespace
