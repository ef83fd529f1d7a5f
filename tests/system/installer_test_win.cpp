// Tarvex.msi as a user installs it: msiexec /i without administrator rights,
// both bitnesses' hosts creating the class afterwards, a second install that
// repairs, an upgrade from an older version, and an uninstall that leaves
// nothing of Tarvex's behind but the user's settings.
//
// Runs in the 64-bit system prefix, after scripts/test has built the package
// into build/win64/installer (Tarvex.msi, and Tarvex-older.msi of an older
// version for the upgrade).
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "addin/registration_win.h"
#include "base/owners_win.h"
#include "base/version.h"
#include "support/process_win.h"
#include "support/registry_read_win.h"
#include "support/window_driver_win.h"

namespace {

using tarvex::UniqueHKey;
using tarvex::test::build_folder;
using tarvex::test::run_captured;

constexpr wchar_t upgrade_code[] = L"{44B1EEF0-DB59-427D-BB4A-F7DBD6CBDF62}";
constexpr wchar_t clsid[] = L"{41DEBC9A-2327-11D4-98A4-006067303FC9}";
constexpr wchar_t libid[] = L"{41DEBC98-2327-11D4-98A4-006067303FC9}";
constexpr wchar_t settings_key[] = L"Software\\Pellwick\\Tarvex";
// The version the product shows, which its package carries too.
constexpr wchar_t product_version[] = L"" TARVEX_PRODUCT_VERSION_TEXT;

std::wstring package(const wchar_t* name) {
    return build_folder() + L"\\installer\\" + name;
}

DWORD msiexec(const std::wstring& arguments) {
    DWORD exit_code = 1;
    run_captured(L"msiexec " + arguments, &exit_code, 300000);
    return exit_code;
}

std::wstring known_folder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring install_folder() {
    return known_folder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\Tarvex";
}

bool file_exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// --- What the machine holds ---------------------------------------------------

std::wstring value_text(DWORD type, const std::vector<BYTE>& data) {
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        return std::wstring(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t)).c_str();
    }
    if (type == REG_DWORD && data.size() == 4) {
        return std::to_wstring(*reinterpret_cast<const DWORD*>(data.data()));
    }
    return L"(" + std::to_wstring(data.size()) + L" bytes of type " + std::to_wstring(type) + L")";
}

// Every key and value below `path`, one line each.
void list_keys(HKEY root, const std::wstring& label, const std::wstring& path, REGSAM view,
               std::set<std::wstring>& lines) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS) {
        return;
    }
    const UniqueHKey key(opened);
    lines.insert(label + L"\\" + path);
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD name_length = 16384;
        DWORD type = 0;
        DWORD size = 0;
        if (::RegEnumValueW(key.get(), i, name, &name_length, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
            break;
        }
        std::vector<BYTE> data(size + sizeof(wchar_t));
        name_length = 16384;
        ::RegEnumValueW(key.get(), i, name, &name_length, nullptr, &type, data.data(), &size);
        data.resize(size);
        lines.insert(label + L"\\" + path + L" [" + name + L"] = " + value_text(type, data));
    }
    std::vector<std::wstring> children;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD name_length = 256;
        if (::RegEnumKeyExW(key.get(), i, name, &name_length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        children.emplace_back(name);
    }
    for (const std::wstring& child : children) {
        list_keys(root, label, path + L"\\" + child, view, lines);
    }
}

void list_files(const std::wstring& folder, std::set<std::wstring>& lines) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        lines.insert(folder + L"\\" + name);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            list_files(folder + L"\\" + name, lines);
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

bool starts_with(const std::wstring& text, const std::wstring& head) {
    return text.compare(0, head.size(), head) == 0;
}

// The parts of the machine an install of Tarvex may touch: the user's software
// keys in both views, the machine's class and uninstall keys for Tarvex, the
// user's local application data and the installer's per-user cache. Left out: the user's Tarvex settings, the
// application key and the column layout key beside it (the hosts' windows add
// to them; the test looks at them itself),
// Wine's own per-user state, and the empty keys Windows Installer keeps for its
// bookkeeping once it has installed anything for the user.
std::set<std::wstring> snapshot() {
    std::set<std::wstring> lines;
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        const std::wstring suffix = view == KEY_WOW64_64KEY ? L" (64)" : L" (32)";
        std::set<std::wstring> user;
        list_keys(HKEY_CURRENT_USER, L"HKCU" + suffix, L"Software", view, user);
        for (const std::wstring& line : user) {
            const std::wstring path = line.substr(line.find(L'\\') + 1);
            const bool is_key = line.find(L" [") == std::wstring::npos;
            if (!starts_with(path, settings_key) && !starts_with(path, L"Software\\Wine\\") &&
                !(is_key && starts_with(path, L"Software\\Microsoft\\Installer"))) {
                lines.insert(line);
            }
        }
        list_keys(HKEY_LOCAL_MACHINE, L"HKLM" + suffix, std::wstring(L"Software\\Classes\\CLSID\\") + clsid, view,
                  lines);
        list_keys(HKEY_LOCAL_MACHINE, L"HKLM" + suffix, std::wstring(L"Software\\Classes\\TypeLib\\") + libid, view,
                  lines);
        list_keys(HKEY_LOCAL_MACHINE, L"HKLM" + suffix, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                  view, lines);
    }
    list_files(known_folder(CSIDL_LOCAL_APPDATA), lines);
    list_files(known_folder(CSIDL_APPDATA) + L"\\Microsoft\\Installer", lines);  // the cached icon
    return lines;
}

std::string difference(const std::set<std::wstring>& before, const std::set<std::wstring>& after) {
    std::string out;
    for (const std::wstring& line : after) {
        if (before.count(line) == 0) {
            out += "+ " + std::string(line.begin(), line.end()) + "\n";
        }
    }
    for (const std::wstring& line : before) {
        if (after.count(line) == 0) {
            out += "- " + std::string(line.begin(), line.end()) + "\n";
        }
    }
    return out;
}

// A text value, or a text that names what is missing.
std::wstring default_value(HKEY root, const std::wstring& path, const wchar_t* name, REGSAM view) {
    return tarvex::test::registry_text(root, path, name, view).value_or(L"(missing)");
}

void set_text(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text, REGSAM view) {
    HKEY created = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    const UniqueHKey key(created);
    ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::string narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// The version a package installs, from its own Property table.
std::wstring package_version(const wchar_t* name) {
    PMSIHANDLE database;
    PMSIHANDLE view;
    PMSIHANDLE record;
    wchar_t version[64] = {};
    DWORD length = 64;
    if (::MsiOpenDatabaseW(package(name).c_str(), MSIDBOPEN_READONLY, &database) != ERROR_SUCCESS ||
        ::MsiDatabaseOpenViewW(database, L"SELECT `Value` FROM `Property` WHERE `Property` = 'ProductVersion'",
                               &view) != ERROR_SUCCESS ||
        ::MsiViewExecute(view, 0) != ERROR_SUCCESS || ::MsiViewFetch(view, &record) != ERROR_SUCCESS ||
        ::MsiRecordGetStringW(record, 1, version, &length) != ERROR_SUCCESS) {
        return L"(unreadable)";
    }
    return version;
}

// The products installed under Tarvex's upgrade code, with their versions.
std::vector<std::wstring> installed_versions() {
    std::vector<std::wstring> versions;
    wchar_t product[39] = {};
    for (DWORD i = 0; ::MsiEnumRelatedProductsW(upgrade_code, 0, i, product) == ERROR_SUCCESS; ++i) {
        wchar_t version[64] = {};
        DWORD length = 64;
        ::MsiGetProductInfoW(product, INSTALLPROPERTY_VERSIONSTRING, version, &length);
        versions.emplace_back(version);
    }
    return versions;
}

std::wstring product_info(const wchar_t* property) {
    wchar_t product[39] = {};
    if (::MsiEnumRelatedProductsW(upgrade_code, 0, 0, product) != ERROR_SUCCESS) {
        return L"(not installed)";
    }
    wchar_t value[512] = {};
    DWORD length = 512;
    ::MsiGetProductInfoW(product, property, value, &length);
    return value;
}

// The host of one bitness creates ExcelTarvex.Morvane by name and searches.
// `how`: "" opens Tarvex the macro's way, or --press with the button's label.
std::string search_with_host(const wchar_t* build, const std::wstring& book, const std::wstring& how = L"") {
    DWORD exit_code = 1;
    return run_captured(L"\"" + build_folder() + L"\\..\\" + build + L"\\standin\\tarvex-host.exe\" " + how +
                            L" --search lavender --exit-after-ms 2000 \"" + book + L"\"",
                        &exit_code, 120000);
}

// Wine 8's COM does not look at classes registered under HKCU\Software\Classes
// alone (creation fails with error 429). To let the hosts create the classes
// from the package's own registration, its per-user class rows are copied into
// the machine's keys for the test's duration. Wine also keeps one user view for
// both bitnesses, where the package's 32-bit row names the 32-bit DLL: so the
// server path of each view is the package's DLL of that bitness, and every other
// value is read from the user's keys.
class MachineMirror {
public:
    explicit MachineMirror(const std::wstring& folder) {
        for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            const std::wstring server = folder + (view == KEY_WOW64_32KEY ? L"\\x86" : L"\\x64") + L"\\Tarvex.dll";
            for (const auto& entry : tarvex::registration::entries) {
                const std::wstring path = std::wstring(L"Software\\Classes\\") + entry.key;
                const std::wstring text =
                    entry.data == nullptr ? server : default_value(HKEY_CURRENT_USER, path, entry.value_name, view);
                set_text(HKEY_LOCAL_MACHINE, path, entry.value_name, text, view);
            }
        }
    }
    ~MachineMirror() {
        for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            for (auto entry = std::rbegin(tarvex::registration::entries);
                 entry != std::rend(tarvex::registration::entries); ++entry) {
                ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(L"Software\\Classes\\") + entry->key).c_str(), view,
                                  0);
            }
        }
    }
    MachineMirror(const MachineMirror&) = delete;
    MachineMirror& operator=(const MachineMirror&) = delete;
};

class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(file_exists(package(L"Tarvex.msi"))) << "build the package first (scripts/lib/make-msi)";
        // Whatever an earlier run left is removed first.
        msiexec(L"/x \"" + package(L"Tarvex.msi") + L"\" /qn");
        msiexec(L"/x \"" + package(L"Tarvex-older.msi") + L"\" /qn");
    }
};

TEST_F(Installer, InstallsForTheUserRepairsAndUninstallsLeavingOnlyTheSettings) {
    // The user's settings exist before and must outlive the uninstall; so does
    // another program's class (in a real profile the classes key is never empty)...
    set_text(HKEY_CURRENT_USER, settings_key, L"SearchMRU_1", L"kept", 0);
    set_text(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\{00000000-7E57-0000-0000-000000000001}", nullptr,
             L"another program", 0);
    // ...and so is the host's add-in key: another add-in has its entry there.
    set_text(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office\\Excel\\Addins\\Another.Addin", L"FriendlyName",
             L"another add-in", 0);
    const std::set<std::wstring> before = snapshot();

    ASSERT_EQ(msiexec(L"/i \"" + package(L"Tarvex.msi") + L"\" /qn"), 0u);

    // Files: both bitnesses, each DLL with its help beside it.
    const std::wstring folder = install_folder();
    for (const wchar_t* file :
         {L"\\x86\\Tarvex.dll", L"\\x86\\Tarvex.chm", L"\\x64\\Tarvex.dll", L"\\x64\\Tarvex.chm"}) {
        EXPECT_TRUE(file_exists(folder + file)) << narrow(folder + file);
    }

    // The keys the DLL's own per-user registration writes, each with its value.
    // Wine keeps one view of HKCU\Software\Classes\CLSID, so there the 32-bit
    // row and the 64-bit row are one key and the later written wins.
    for (const auto& entry : tarvex::registration::entries) {
        const std::wstring path = std::wstring(L"Software\\Classes\\") + entry.key;
        const std::wstring expected = entry.data != nullptr ? std::wstring(entry.data) : folder + L"\\x64\\Tarvex.dll";
        const std::wstring stored = default_value(HKEY_CURRENT_USER, path, entry.value_name, KEY_WOW64_64KEY);
        if (entry.data == nullptr) {
            EXPECT_EQ(::CompareStringOrdinal(stored.c_str(), -1, expected.c_str(), -1, TRUE), CSTR_EQUAL)
                << narrow(path) << ": " << narrow(stored);
        } else {
            EXPECT_EQ(stored, expected) << narrow(path);
        }
    }
    // The keys registering its type library writes for the interfaces.
    for (const auto& value : tarvex::registration::interface_values()) {
        const std::wstring path = std::wstring(L"Software\\Classes\\") + value.key;
        EXPECT_EQ(default_value(HKEY_CURRENT_USER, path, value.value_name, KEY_WOW64_64KEY), value.data)
            << narrow(path);
    }
    const std::wstring type_library = std::wstring(L"Software\\Classes\\TypeLib\\") + libid + L"\\1.0\\0\\";
    EXPECT_EQ(::CompareStringOrdinal(
                  default_value(HKEY_CURRENT_USER, type_library + L"win32", nullptr, KEY_WOW64_64KEY).c_str(), -1,
                  (folder + L"\\x86\\Tarvex.dll").c_str(), -1, TRUE),
              CSTR_EQUAL);
    EXPECT_EQ(::CompareStringOrdinal(
                  default_value(HKEY_CURRENT_USER, type_library + L"win64", nullptr, KEY_WOW64_64KEY).c_str(), -1,
                  (folder + L"\\x64\\Tarvex.dll").c_str(), -1, TRUE),
              CSTR_EQUAL);

    // The ribbon button's feature, on by default: the host's add-in entry.
    const std::wstring addin = L"Software\\Microsoft\\Office\\Excel\\Addins\\ExcelTarvex.Connect";
    EXPECT_EQ(default_value(HKEY_CURRENT_USER, addin, L"FriendlyName", KEY_WOW64_64KEY), L"Tarvex");
    DWORD load_behaviour = 0;
    DWORD size = sizeof(load_behaviour);
    EXPECT_EQ(::RegGetValueW(HKEY_CURRENT_USER, addin.c_str(), L"LoadBehavior", RRF_RT_REG_DWORD, nullptr,
                             &load_behaviour, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(load_behaviour, 3u);

    // "Add or remove programs" knows the product.
    EXPECT_EQ(product_info(INSTALLPROPERTY_INSTALLEDPRODUCTNAME), L"Tarvex");
    EXPECT_EQ(product_info(INSTALLPROPERTY_VERSIONSTRING), product_version);
    EXPECT_EQ(product_info(INSTALLPROPERTY_PUBLISHER), L"Pellwick");
    // The icon "Add or remove programs" shows, cached by the installer.
    EXPECT_TRUE(file_exists(product_info(INSTALLPROPERTY_PRODUCTICON)))
        << narrow(product_info(INSTALLPROPERTY_PRODUCTICON));

    // Both bitnesses' hosts create the class and open the window.
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring book = std::wstring(temp) + L"installer_test.wb";
    std::ofstream(book.c_str(), std::ios::binary) << "sheet Plants\nA1|Lavender\nB4|lavender oil\n";
    {
        const MachineMirror mirror(folder);
        std::vector<const wchar_t*> builds{L"win64"};
        if (tarvex::test::runs_32bit_programs()) {
            builds.insert(builds.begin(), L"win32");
        }
        for (const wchar_t* build : builds) {
            const std::string output = search_with_host(build, book);
            EXPECT_NE(output.find("status: Done(2 matches)  ..."), std::string::npos)
                << narrow(build) << " host: " << output;
            // The ribbon button the package's add-in entry puts in the host.
            const std::string pressed = search_with_host(build, book, L"--press \"Find in Workbook\"");
            EXPECT_NE(pressed.find("status: Done(2 matches)  ..."), std::string::npos)
                << narrow(build) << " host, button: " << pressed;
            EXPECT_NE(pressed.find("addins: host objects alive 0"), std::string::npos) << pressed;
        }
    }
    ::DeleteFileW(book.c_str());

    // A second install of the same version repairs what went missing.
    ::DeleteFileW((folder + L"\\x64\\Tarvex.chm").c_str());
    ::RegDeleteKeyExW(HKEY_CURRENT_USER, L"Software\\Classes\\ExcelTarvex.Morvane\\CurVer", KEY_WOW64_64KEY, 0);
    ASSERT_EQ(msiexec(L"/i \"" + package(L"Tarvex.msi") + L"\" /qn"), 0u);
    EXPECT_TRUE(file_exists(folder + L"\\x64\\Tarvex.chm"));
    EXPECT_EQ(
        default_value(HKEY_CURRENT_USER, L"Software\\Classes\\ExcelTarvex.Morvane\\CurVer", nullptr, KEY_WOW64_64KEY),
        L"ExcelTarvex.Morvane.1");
    EXPECT_EQ(installed_versions().size(), 1u);

    ASSERT_EQ(msiexec(L"/x \"" + package(L"Tarvex.msi") + L"\" /qn"), 0u);
    // The settings key is the user's: still there, with what the user had in it
    // (the hosts' searches have since added their text above it).
    EXPECT_EQ(default_value(HKEY_CURRENT_USER, settings_key, L"SearchMRU_2", 0), L"kept");
    EXPECT_EQ(default_value(HKEY_CURRENT_USER, std::wstring(settings_key) + L"frmMain_lvwMain Column Information\\Cell",
                            L"Text", 0),
              L"Cell");
    EXPECT_EQ(difference(before, snapshot()), "") << "what the install left or took";
    EXPECT_TRUE(installed_versions().empty());
    if (!tarvex::test::runs_32bit_programs()) {
        GTEST_SKIP() << "the 32-bit host's part: " << tarvex::test::no_32bit_programs;
    }
}

TEST_F(Installer, ANewerVersionReplacesAnOlderOne) {
    const std::wstring older = package_version(L"Tarvex-older.msi");
    ASSERT_NE(older, product_version);
    ASSERT_EQ(msiexec(L"/i \"" + package(L"Tarvex-older.msi") + L"\" /qn"), 0u);
    ASSERT_EQ(installed_versions(), std::vector<std::wstring>{older});
    ASSERT_EQ(msiexec(L"/i \"" + package(L"Tarvex.msi") + L"\" /qn"), 0u);
    EXPECT_EQ(installed_versions(), std::vector<std::wstring>{product_version});
    EXPECT_TRUE(file_exists(install_folder() + L"\\x64\\Tarvex.dll"));
    // An older package does not replace a newer one.
    EXPECT_NE(msiexec(L"/i \"" + package(L"Tarvex-older.msi") + L"\" /qn"), 0u);
    EXPECT_EQ(installed_versions(), std::vector<std::wstring>{product_version});
    ASSERT_EQ(msiexec(L"/x \"" + package(L"Tarvex.msi") + L"\" /qn"), 0u);
    EXPECT_TRUE(installed_versions().empty());
    EXPECT_FALSE(file_exists(install_folder()));
}

}  // namespace
