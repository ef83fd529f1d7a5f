#include <gtest/gtest.h>

#include "base/text.h"
#include "settings/column_layout.h"
#include "settings/error_report.h"
#include "settings/number_text.h"
#include "settings/recent_lists.h"
#include "settings/registry_routines.h"
#include "support/fake_columns.h"
#include "support/fake_controls.h"
#include "support/fake_registry.h"

using namespace tarvex;
using tarvex::testing::FakeColumns;
using tarvex::testing::FakeComboBox;
using tarvex::testing::FakeMessageBoxes;
using tarvex::testing::FakeRegistry;

namespace {

const std::u16string app_key = application_key;

class Settings : public ::testing::Test {
protected:
    std::vector<std::string> slots(const char* prefix) const {
        std::vector<std::string> out;
        for (int i = 1; i <= recent_slots; ++i) {
            const auto text = registry.get_text(hkey_current_user, app_key, u16(prefix) + decimal(i));
            if (!text) {
                break;
            }
            out.push_back(utf16_to_utf8(*text));
        }
        return out;
    }

    void store(const char* prefix, std::initializer_list<const char*> texts) {
        int i = 1;
        for (const char* t : texts) {
            registry.put_text(hkey_current_user, app_key, u16(prefix) + decimal(i++), u16(t));
        }
    }

    void record(const char* text) {
        search.set_text(u16(text));
        AddSearchMRU(settings, search);
    }

    std::vector<std::string> items(const FakeComboBox& combo) const {
        std::vector<std::string> out;
        for (const auto& item : combo.items) {
            out.push_back(utf16_to_utf8(item));
        }
        return out;
    }

    FakeRegistry registry;
    FakeMessageBoxes messages;
    SettingsContext settings{registry, messages};
    FakeComboBox search;
    FakeComboBox replace;
};

using Texts = std::vector<std::string>;

RegistryValue raw(std::uint32_t type, std::vector<std::uint8_t> bytes) {
    return RegistryValue{type, std::move(bytes)};
}

}  // namespace

TEST_F(Settings, UpdateKeyCreatesThePathAndStoresABlankForEmptyText) {
    EXPECT_TRUE(UpdateKey(settings, hkey_current_user, u"Software\\A\\B\\C", u"Name", u""));
    EXPECT_TRUE(registry.has_key(hkey_current_user, u"Software\\A"));
    EXPECT_EQ(registry.get_text(hkey_current_user, u"software\\a\\b\\c", u"NAME"), u" ");
    EXPECT_EQ(GetKeyValue(settings, hkey_current_user, u"Software\\A\\B\\C", u"name"), u" ");
    EXPECT_EQ(registry.last_access, settings_access);
    EXPECT_EQ(registry.open_handles(), 0u);

    registry.read_only = true;
    EXPECT_FALSE(UpdateKey(settings, hkey_current_user, u"Software\\A\\B\\C", u"Name", u"x"));
    EXPECT_EQ(registry.open_handles(), 0u);
}

TEST_F(Settings, GetKeyValueReadsEachTypeAsText) {
    struct Case {
        const char* what;
        RegistryValue value;
        std::u16string expected;
    };
    const std::vector<Case> cases = {
        {"dword 400", raw(reg_type::dword, {0x90, 0x01, 0, 0}), u"400"},
        {"dword 0", raw(reg_type::dword, {0, 0, 0, 0}), u"0"},
        {"dword 256", raw(reg_type::dword, {0, 1, 0, 0}), u"256"},
        {"dword 2^31 reads as positive", raw(reg_type::dword, {0, 0, 0, 0x80}), u"2147483648"},
        {"dword of the wrong size", raw(reg_type::dword, {1, 2}), u""},
        {"expand_sz unexpanded", raw(reg_type::expand_sz, {'%', 0, 'X', 0, '%', 0, 0, 0}), u"%X%"},
        {"sz cut at its first NUL", raw(reg_type::sz, {'a', 0, 0, 0, 'b', 0, 0, 0}), u"a"},
        {"sz without a NUL", raw(reg_type::sz, {'a', 0, 'b', 0}), u"ab"},
        {"sz with an odd byte", raw(reg_type::sz, {'a', 0, 'b'}), u"a"},
        {"binary", raw(reg_type::binary, {'a', 0, 0, 0}), u""},
        {"multi_sz", raw(reg_type::multi_sz, {'a', 0, 0, 0, 0, 0}), u""},
        {"none", raw(reg_type::none, {}), u""},
    };
    for (const Case& c : cases) {
        registry.put(hkey_current_user, u"K", u"v", c.value);
        EXPECT_EQ(GetKeyValue(settings, hkey_current_user, u"K", u"v"), c.expected) << c.what;
    }
}

TEST_F(Settings, MissingKeysAndValuesReadEmptyAndCreateNothing) {
    EXPECT_EQ(GetKeyValue(settings, hkey_current_user, u"Software\\Nowhere", u"x"), u"");
    EXPECT_FALSE(registry.has_key(hkey_current_user, u"Software\\Nowhere"));
    registry.put_text(hkey_current_user, u"K", u"other", u"1");
    EXPECT_EQ(GetKeyValue(settings, hkey_current_user, u"K", u"x"), u"");
    EXPECT_EQ(registry.value_count(hkey_current_user, u"K"), 1u);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Settings, TextsOfAnyScriptAndLengthComeBackExactly) {
    const std::u16string texts[] = {u16("Ελληνικά"), u16("中文"), u16("emoji \xF0\x9F\x98\x80"),
                                    std::u16string(1023, u'a'), std::u16string(5000, u'b')};
    for (const auto& text : texts) {
        UpdateKey(settings, hkey_current_user, app_key, u"SearchMRU_1", text);
        EXPECT_EQ(GetKeyValue(settings, hkey_current_user, app_key, u"SearchMRU_1"), text);
    }
}

TEST_F(Settings, ErrorReportsHaveTheirExactLayouts) {
    const Failure failure{5, u"Invalid procedure call or argument", u"ExcelTarvex", 0};
    const MessageRequest a = error_report(ReportShape::with_line, u": AddSearchMRU", failure, 3);
    EXPECT_EQ(a.title, u"Tarvex Error");
    EXPECT_EQ(a.text,
              u"Error 5: \r\nInvalid procedure call or argument\r\n\t\toccurred at line 3\r\nin Tarvex: AddSearchMRU");
    EXPECT_EQ(a.buttons, MessageButtons::abort_retry_ignore);
    EXPECT_EQ(a.icon, MessageIcon::exclamation);
    EXPECT_EQ(a.default_button, 1);

    const Failure host{-2147418111, u"Call was rejected by callee.", u"tarvex-host", 0};
    const MessageRequest b = error_report(ReportShape::with_source, u":RegSettings:SaveColumnInfo", host, 7);
    EXPECT_EQ(b.title, u"Tarvex Error.");
    EXPECT_EQ(b.text,
              u"Error : -2147418111\r\nDescription: Call was rejected by callee.\r\nIn "
              u"Tarvex:RegSettings:SaveColumnInfo\r\nThe source of the error appeard to be : tarvex-host");
}

TEST_F(Settings, RetryRepeatsTheStepIgnoreSkipsItAbortEnds) {
    // Retry: the failing write runs again and then succeeds.
    registry.throw_on("set", 1);
    messages.answers = {MessageAnswer::retry};
    EXPECT_TRUE(UpdateKey(settings, hkey_current_user, u"K", u"v", u"x"));
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find(u"in Tarvex: UpdateKey"), std::u16string::npos);
    EXPECT_EQ(registry.get_text(hkey_current_user, u"K", u"v"), u"x");

    // Ignore: the write is skipped and the routine still closes its key.
    registry.throw_on("set", 1);
    messages.answers = {MessageAnswer::ignore};
    EXPECT_FALSE(UpdateKey(settings, hkey_current_user, u"K", u"v", u"y"));
    EXPECT_EQ(registry.get_text(hkey_current_user, u"K", u"v"), u"x");

    // Abort in a fill leaves the items added before the failure.
    store("SearchMRU_", {"a", "b", "c"});
    search.fail_add_at = 2;
    messages.shown.clear();
    messages.answers = {MessageAnswer::abort};
    GetSearchMRU(settings, search);
    EXPECT_EQ(items(search), (Texts{"a", "b"}));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find(u"occurred at line 3\r\nin Tarvex: GetSearchMRU"), std::u16string::npos);

    // A failure inside GetKeyValue is settled there: Abort makes it read as
    // nothing stored, which ends the fill as an empty slot does.
    registry.throw_on("query", 3);
    messages.shown.clear();
    messages.answers = {MessageAnswer::abort};
    GetSearchMRU(settings, search);
    EXPECT_EQ(items(search), (Texts{"a", "b", ""}));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find(u"in Tarvex: GetKeyValue"), std::u16string::npos);
    EXPECT_EQ(registry.open_handles(), 0u);
}

TEST_F(Settings, RecentListShiftsAsDocumented) {
    struct Case {
        std::initializer_list<const char*> before;
        const char* recorded;
        Texts after;
    };
    const Case cases[] = {
        {{}, "a", {"a"}},
        {{"a", "b", "c"}, "b", {"b", "a", "c"}},
        {{"a", "b"}, "B", {"B", "a", "b"}},  // case-sensitive
        {{"a", "b"}, "a", {"a", "b"}},
        {{"a"}, " ", {" ", "a"}},
    };
    for (const Case& c : cases) {
        registry = FakeRegistry();
        store("SearchMRU_", c.before);
        record(c.recorded);
        EXPECT_EQ(slots("SearchMRU_"), c.after) << c.recorded;
        EXPECT_EQ(utf16_to_utf8(search.text()), c.recorded);  // the box itself is not changed
    }
    registry = FakeRegistry();
    record("");
    EXPECT_EQ(registry.calls.size(), 0u);
}

TEST_F(Settings, FullListDropsTheOldestOnlyForANewText) {
    std::vector<std::string> texts;
    for (int i = 1; i <= 25; ++i) {
        texts.push_back("t" + std::to_string(i));
        registry.put_text(hkey_current_user, app_key, u"SearchMRU_" + decimal(i), u16(texts.back()));
    }
    record("t25");
    Texts expected = {"t25"};
    expected.insert(expected.end(), texts.begin(), texts.begin() + 24);
    EXPECT_EQ(slots("SearchMRU_"), expected);

    registry.calls.clear();
    record("new");
    expected.insert(expected.begin(), "new");
    expected.pop_back();
    EXPECT_EQ(slots("SearchMRU_"), expected);
    // The most a recording costs: one key opened, 25 reads and 25 writes.
    EXPECT_EQ(registry.calls["query"], 25);
    EXPECT_EQ(registry.calls["set"], 25);
    EXPECT_EQ(registry.calls["open"] + registry.calls["create"], 1);
    EXPECT_EQ(registry.open_handles(), 0u);
}

TEST_F(Settings, RecordingWritesOnlyTheSlotsThatChange) {
    store("SearchMRU_", {"a", "b", "c", "d"});
    // The newest text again: read once, nothing written.
    record("a");
    EXPECT_EQ(registry.calls["set"], 0);
    EXPECT_EQ(registry.calls["query"], 1);

    // Moving the third up rewrites the three slots above where it stood, no more.
    registry.calls.clear();
    record("c");
    EXPECT_EQ(slots("SearchMRU_"), (Texts{"c", "a", "b", "d"}));
    EXPECT_EQ(registry.calls["set"], 3);

    // A list holding one text twice (as an interrupted shift leaves it) loses the
    // copy that moves up, and only the slots that differ are written.
    store("SearchMRU_", {"x", "x", "y"});
    registry.calls.clear();
    record("y");
    EXPECT_EQ(slots("SearchMRU_"), (Texts{"y", "x", "x", "d"}));
    EXPECT_EQ(registry.calls["set"], 2);

    // Filling the box opens the key once and creates nothing when it is missing.
    registry.calls.clear();
    GetSearchMRU(settings, search);
    EXPECT_EQ(registry.calls["open"], 1);
    EXPECT_EQ(registry.calls["close"], 1);
    registry = FakeRegistry();
    GetSearchMRU(settings, search);
    EXPECT_EQ(items(search), (Texts{""}));
    EXPECT_FALSE(registry.has_key(hkey_current_user, app_key));
}

TEST_F(Settings, AGapEndsTheListForFillAndShift) {
    store("SearchMRU_", {"a", "b", "c"});
    registry.put_text(hkey_current_user, app_key, u"SearchMRU_5", u"e");
    GetSearchMRU(settings, search);
    EXPECT_EQ(items(search), (Texts{"a", "b", "c", ""}));
    EXPECT_EQ(search.text(), u"");
    record("new");
    // The shift stopped at the gap: slot 5 still holds what it held.
    EXPECT_EQ(slots("SearchMRU_"), (Texts{"new", "a", "b", "c", "e"}));
}

TEST_F(Settings, FillOfAFullListHasNoEmptyItemAndTheListsAreIndependent) {
    for (int i = 1; i <= 25; ++i) {
        registry.put_text(hkey_current_user, app_key, u"ReplaceMRU_" + decimal(i), decimal(i));
    }
    GetReplaceMRU(settings, replace);
    EXPECT_EQ(replace.items.size(), 25u);
    EXPECT_EQ(replace.items.back(), u"25");
    GetSearchMRU(settings, search);
    EXPECT_EQ(items(search), (Texts{""}));
    replace.set_text(u"r");
    AddReplaceMRU(settings, replace);
    EXPECT_TRUE(slots("SearchMRU_").empty());
}

TEST_F(Settings, NumbersFollowTheUsersFormat) {
    EXPECT_EQ(single_text(1440.0f, u'.'), u"1440");
    EXPECT_EQ(single_text(1234.5f, u','), u"1234,5");
    EXPECT_EQ(single_text(0.1f, u'.'), u"0.1");
    EXPECT_EQ(single_text(123456789.0f, u'.'), u"1.234568E+08");
    EXPECT_EQ(parse_single(u" 1234,5 ", u','), 1234.5f);
    EXPECT_EQ(parse_integer16(u"2.5", u'.'), 2);  // half to even
    EXPECT_EQ(parse_integer16(u"3.5", u'.'), 4);
    for (const char16_t* bad : {u"abc", u"", u"1.5", u"1e", u"--1"}) {
        try {
            parse_single(bad, u',');
            ADD_FAILURE() << utf16_to_utf8(bad);
        } catch (const TarvexError& e) {
            EXPECT_EQ(e.number, 13);
        }
    }
    try {
        parse_integer16(u"40000", u'.');
        ADD_FAILURE();
    } catch (const TarvexError& e) {
        EXPECT_EQ(e.number, 6);
    }
}

TEST_F(Settings, FirstGetColumnInfoStoresTheDesignLayoutAndChangesNothing) {
    FakeColumns columns({{u"Sheet", u"Work Sheet", 1440}, {u"Cell", u"Cell", 1440}, {u"Content", u"Content", 2000}});
    GetColumnInfo(settings, columns);
    const std::u16string content = app_key + u"frmMain_lvwMain Column Information\\Content";
    EXPECT_EQ(column_layout_key(columns, 2), content);
    EXPECT_EQ(registry.get_text(hkey_current_user, content, u"Width"), u"2000");
    EXPECT_EQ(registry.get_text(hkey_current_user, content, u"Position"), u"3");
    EXPECT_FALSE(registry.get_text(hkey_current_user, content, u"Text"));
    EXPECT_EQ(columns.display_order(), (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(columns.hide_selection);
    EXPECT_TRUE(columns.allow_reorder && columns.full_row && columns.report_view && columns.manual_label_edit);
}

TEST_F(Settings, SavedLayoutComesBackAndBadValuesAreSkippedSilently) {
    FakeColumns saved({{u"Sheet", u"Work Sheet", 1440}, {u"Cell", u"Cell", 900}, {u"Content", u"Content", 3000}});
    saved.set_position(2, 1);  // Content dragged to the left
    SaveColumnInfo(settings, saved);
    const std::u16string cell = app_key + u"frmMain_lvwMain Column Information\\Cell";
    EXPECT_EQ(registry.get_text(hkey_current_user, cell, u"Text"), u"Cell");

    FakeColumns restored({{u"Sheet", u"Work Sheet", 1440}, {u"Cell", u"Cell", 1440}, {u"Content", u"Content", 1440}});
    GetColumnInfo(settings, restored);
    EXPECT_EQ(restored.display_order(), saved.display_order());
    EXPECT_EQ(restored.width(1), 900);
    EXPECT_EQ(restored.width(2), 3000);

    // A width that is no number, or one no list takes (below zero, or wide
    // enough to push the other columns off any screen), leaves the column.
    for (const char16_t* bad : {u"abc", u"-5", u"20000000"}) {
        registry.put_text(hkey_current_user, cell, u"Width", bad);
        registry.put_text(hkey_current_user, cell, u"Position", u"99");
        FakeColumns untouched(
            {{u"Sheet", u"Work Sheet", 1440}, {u"Cell", u"Cell", 1440}, {u"Content", u"Content", 1440}});
        GetColumnInfo(settings, untouched);
        EXPECT_EQ(untouched.width(1), 1440) << utf16_to_utf8(bad);
        EXPECT_EQ(untouched.width(2), 3000);  // the other columns are still applied
        EXPECT_TRUE(untouched.report_view);
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST_F(Settings, ColumnsWithoutKeysShareOneLayoutKey) {
    FakeColumns keyless({{u"", u"A", 100}, {u"", u"B", 200}});
    SaveColumnInfo(settings, keyless);
    const std::u16string shared = app_key + u"frmMain_lvwMain Column Information\\";
    EXPECT_EQ(registry.get_text(hkey_current_user, shared, u"Width"), u"200");
    EXPECT_EQ(registry.get_text(hkey_current_user, shared, u"Text"), u"B");

    FakeColumns none({});
    registry.calls.clear();
    SaveColumnInfo(settings, none);
    EXPECT_TRUE(registry.calls.empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Settings, SaveColumnInfoReportsItsOwnFailuresWithShapeB) {
    FakeColumns columns({{u"Sheet", u"Work Sheet", 1440}, {u"Cell", u"Cell", 1440}});
    columns.width_failures = 2;
    messages.answers = {MessageAnswer::retry, MessageAnswer::ignore};
    SaveColumnInfo(settings, columns);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].title, u"Tarvex Error.");
    EXPECT_EQ(messages.shown[0].text, messages.shown[1].text);  // Retry failed again: the same report
    EXPECT_NE(messages.shown[0].text.find(u"In Tarvex:RegSettings:SaveColumnInfo\r\n"), std::u16string::npos);
    // Ignore skipped the first column's width; everything after it was still written.
    EXPECT_FALSE(registry.get_text(hkey_current_user, column_layout_key(columns, 0), u"Width"));
    EXPECT_EQ(registry.get_text(hkey_current_user, column_layout_key(columns, 0), u"Position"), u"1");
    EXPECT_EQ(registry.get_text(hkey_current_user, column_layout_key(columns, 1), u"Width"), u"1440");

    // Abort ends the routine: what was written stays written.
    FakeColumns more({{u"A", u"A", 1}, {u"B", u"B", 2}});
    more.width_failures = 1;
    messages.answers = {MessageAnswer::abort};
    SaveColumnInfo(settings, more);
    EXPECT_FALSE(registry.get_text(hkey_current_user, column_layout_key(more, 0), u"Position"));
    EXPECT_FALSE(registry.get_text(hkey_current_user, column_layout_key(more, 1), u"Width"));
}

TEST_F(Settings, GetColumnInfoNeverReports) {
    FakeColumns columns({{u"Sheet", u"Work Sheet", 1440}});
    columns.width_failures = 5;
    registry.put_text(hkey_current_user, column_layout_key(columns, 0), u"Position", u"1");
    GetColumnInfo(settings, columns);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(columns.report_view);
}
