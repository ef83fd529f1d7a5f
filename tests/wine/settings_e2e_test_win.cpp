// Recent texts and column layout through the real window and the real registry of
// the test prefix: what one opening of the window leaves, the next one finds.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "base/owners_win.h"
#include "base/text.h"
#include "support/window_driver_win.h"
#include "ui/main/main_design.h"

using namespace tarvex::test;
namespace design = tarvex::main_design;

namespace {

class Settings : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Pellwick");
        host_ = new StandinHost;
        host_->open(
            "sheet Notes\n"
            "A1|Ελληνικά κείμενα\n"
            "A2|中文字符\n"
            "A3|smile \xF0\x9F\x98\x80\n"
            "A4|item b\n"
            "A5|item a\n"
            "A6|item c\n");
    }
    static void TearDownTestSuite() {
        close();
        delete host_;
        host_ = nullptr;
    }

    static void open() {
        auto morvane = create_morvane();
        ASSERT_EQ(search(morvane.Get(), host_->application.Get()), S_OK);
        pump(100);
    }
    static void close() {
        if (HWND window = main_window()) {
            ::SendMessageW(window, WM_CLOSE, 0, 0);
            pump(50);
        }
    }
    static void find(const std::u16string& text) {
        ::SetWindowTextW(control(design::cmbSearchFor), reinterpret_cast<const wchar_t*>(text.c_str()));
        click(design::cmdFind);
    }
    static std::vector<std::u16string> drop_down(int combo) {
        std::vector<std::u16string> items;
        HWND box = control(combo);
        const int count = static_cast<int>(::SendMessageW(box, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            const auto length = ::SendMessageW(box, CB_GETLBTEXTLEN, i, 0);
            std::u16string item(static_cast<std::size_t>(length) + 1, u'\0');
            ::SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
            item.resize(static_cast<std::size_t>(length));
            items.push_back(item);
        }
        return items;
    }
    static std::vector<int> column_order() {
        std::vector<int> order(3);
        ListView_GetColumnOrderArray(control(design::lvwMain), 3, order.data());
        return order;
    }

    static StandinHost* host_;
};

StandinHost* Settings::host_ = nullptr;

}  // namespace

TEST_F(Settings, TextsInAnyScriptComeBackFirstInTheDropDown) {
    const std::u16string texts[] = {tarvex::u16("Ελληνικά"), tarvex::u16("中文"), tarvex::u16("\xF0\x9F\x98\x80")};
    open();
    for (const auto& text : texts) {
        find(text);
        EXPECT_EQ(list_rows().size(), 1u) << tarvex::utf16_to_utf8(text);
    }
    close();
    open();
    const auto items = drop_down(design::cmbSearchFor);
    ASSERT_GE(items.size(), 4u);
    EXPECT_EQ(items[0], texts[2]);
    EXPECT_EQ(items[1], texts[1]);
    EXPECT_EQ(items[2], texts[0]);
    EXPECT_EQ(items.back(), u"");
    EXPECT_EQ(text_of(control(design::cmbSearchFor)), u"");
    close();
}

TEST_F(Settings, ColumnLayoutSurvivesClosingAndReopening) {
    open();
    HWND list = control(design::lvwMain);
    // The user drags "Content" to the front and widens "Cell".
    int order[] = {2, 0, 1};
    ListView_SetColumnOrderArray(list, 3, order);
    ListView_SetColumnWidth(list, 1, 150);
    close();
    open();
    list = control(design::lvwMain);
    EXPECT_EQ(column_order(), (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(ListView_GetColumnWidth(list, 1), 150);
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), 96);  // 1440 twips at 96 DPI

    // Each column has a key of its own.
    HKEY key = nullptr;
    ASSERT_EQ(
        ::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Pellwick\\TarvexfrmMain_lvwMain Column Information\\Content", 0,
                        KEY_READ, &key),
        ERROR_SUCCESS);
    const tarvex::UniqueHKey owned_key(key);
    wchar_t value[32] = {};
    DWORD size = sizeof(value);
    DWORD type = 0;
    EXPECT_EQ(::RegQueryValueExW(key, L"Position", nullptr, &type, reinterpret_cast<BYTE*>(value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(value), L"1");

    // Put the layout back for the next test.
    int design_order[] = {0, 1, 2};
    ListView_SetColumnOrderArray(list, 3, design_order);
    ListView_SetColumnWidth(list, 1, 96);
    close();
}

TEST_F(Settings, HeaderClicksSortAndReverse) {
    open();
    find(u"item");
    click_header(2);  // Content, ascending
    std::vector<std::string> rows = list_rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows, (std::vector<std::string>{"Notes|$A$5|item a|", "Notes|$A$4|item b|", "Notes|$A$6|item c|"}));
    click_header(2);
    EXPECT_EQ(list_rows(),
              (std::vector<std::string>{"Notes|$A$6|item c|", "Notes|$A$4|item b|", "Notes|$A$5|item a|"}));
    HWND header = ListView_GetHeader(control(design::lvwMain));
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    Header_GetItem(header, 2, &item);
    EXPECT_TRUE(item.fmt & HDF_SORTDOWN);
    // A later Find lists its rows in the chosen order.
    find(u"item");
    EXPECT_EQ(list_rows().front(), "Notes|$A$6|item c|");
    close();
}
