#include <gtest/gtest.h>

#include <map>
#include <set>

#include "base/text.h"
#include "base/steps.h"
#include "support/fake_controls.h"
#include "support/fake_registry.h"
#include "ui/about/about.h"
#include "ui/about/sys_info.h"

using namespace tarvex;
using namespace tarvex::about;
using tarvex::testing::FakeMessageBoxes;
using tarvex::testing::FakeRegistry;

namespace {

// Files, programs and the environment as the system would answer: a path names a
// file only as spelt (the core must pass what it read, unchanged), expansion
// replaces %NAME% case-insensitively and leaves unknown references alone.
class FakeSystem final : public System {
public:
    enum class Entry { ordinary, hidden, system_file, folder };

    bool is_ordinary_file(const std::u16string& path) override {
        checked.push_back(path);
        const auto found = entries.find(path);
        return found != entries.end() && found->second == Entry::ordinary;
    }
    bool start_program(const std::u16string& path) override {
        if (throw_on_start) {
            throw TarvexError{53, u"File not found"};
        }
        started.push_back(path);
        return startable.count(path) != 0;
    }
    std::u16string expand_environment(const std::u16string& text) override {
        std::u16string out;
        std::size_t i = 0;
        while (i < text.size()) {
            const std::size_t open = text.find(u'%', i);
            const std::size_t close = open == std::u16string::npos ? open : text.find(u'%', open + 1);
            if (close == std::u16string::npos) {
                out += text.substr(i);
                break;
            }
            out += text.substr(i, open - i);
            const std::u16string name = text.substr(open + 1, close - open - 1);
            const auto found = std::find_if(environment.begin(), environment.end(),
                                            [&](const auto& e) { return equals_ignore_case(e.first, name); });
            out += found != environment.end() ? found->second : text.substr(open, close - open + 1);
            i = close + 1;
        }
        return out;
    }
    void open_url(const std::u16string& url) override {
        opened.push_back(url);
        if (throw_on_open) {
            throw TarvexError{5, u"Invalid procedure call or argument"};
        }
    }

    std::map<std::u16string, Entry> entries;
    std::set<std::u16string> startable;
    std::map<std::u16string, std::u16string> environment{{u"CommonProgramFiles", u"C:\\Program Files\\Common Files"}};
    bool throw_on_start = false;
    bool throw_on_open = false;
    std::vector<std::u16string> checked;
    std::vector<std::u16string> started;
    std::vector<std::u16string> opened;
};

RegistryValue utf16_value(std::uint32_t type, const std::u16string& units) {
    RegistryValue value{type, {}};
    for (char16_t c : units) {
        value.data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        value.data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return value;
}

// A REG_SZ as Windows stores one: the text and its terminating NUL.
RegistryValue stored_text(const std::u16string& text) {
    return utf16_value(reg_type::sz, text + u'\0');
}

const std::u16string msinfo_folder = u"C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo";

}  // namespace

TEST(AboutTexts, VersionLineLeavesOutTheBuildAndLeadingZeros) {
    struct Case {
        Version version;
        const char16_t* line;
    };
    const Case cases[] = {
        {product_version, u"Version 1.1.26"},
        {{2, 0, 7, 3}, u"Version 2.0.3"},
        {{10, 12, 0, 0}, u"Version 10.12.0"},
        {{0, 9, 99, 100}, u"Version 0.9.100"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(version_line(c.version), c.line);
    }
    // Four lines, each ended by CR LF, the last one included.
    const std::u16string description = description_text();
    std::size_t breaks = 0;
    for (std::size_t at = description.find(u"\r\n"); at != std::u16string::npos;
         at = description.find(u"\r\n", at + 2)) {
        ++breaks;
    }
    EXPECT_EQ(breaks, 4u);
    EXPECT_EQ(description.substr(description.size() - 2), u"\r\n");
    EXPECT_EQ(description.find(u'\n'), description.find(u"\r\n") + 1);
}

TEST(AboutMailLink, SubjectIsPercentEncodedAsUtf8) {
    struct Case {
        std::string text;  // UTF-8
        const char16_t* encoded;
    };
    const Case cases[] = {
        {"Tarvex Version 1.1.26", u"Tarvex%20Version%201.1.26"},
        {"AZaz09-._~", u"AZaz09-._~"},
        // Characters that would end the header value, start another or a fragment.
        {"a&b?c#d%e=f", u"a%26b%3Fc%23d%25e%3Df"},
        {"/+@:;,!'()*", u"%2F%2B%40%3A%3B%2C%21%27%28%29%2A"},
        {"line\r\nbreak", u"line%0D%0Abreak"},
        {"Zoë", u"Zo%C3%AB"},
        {"€", u"%E2%82%AC"},
        {"\xF0\x9F\x98\x80", u"%F0%9F%98%80"},  // outside the BMP: one surrogate pair
        {"", u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(percent_encode(u16(c.text)), c.encoded) << c.text;
    }
    // A lone surrogate has no UTF-8 form; it goes out as the replacement character.
    EXPECT_EQ(percent_encode(std::u16string(1, char16_t{0xD800})), u"%EF%BF%BD");

    EXPECT_EQ(mail_url(product_version), u"mailto:support@pellwick.example?subject=Tarvex%20Version%201.1.26");
    EXPECT_EQ(mail_url({3, 4, 5, 6}), u"mailto:support@pellwick.example?subject=Tarvex%20Version%203.4.6");
}

TEST(AboutMailLink, OpeningIgnoresEveryFailure) {
    FakeSystem system;
    open_mail_link(system, product_version);
    ASSERT_EQ(system.opened.size(), 1u);
    EXPECT_EQ(system.opened[0], mail_url(product_version));

    system.throw_on_open = true;
    EXPECT_NO_THROW(open_mail_link(system, product_version));
    EXPECT_EQ(system.opened.size(), 2u);
}

TEST(AboutTabLayout, EachTabSizesTheWindowAndShowsOneFrame) {
    struct Case {
        const char16_t* caption;
        std::optional<Tab> shown;
        std::optional<TwipSize> outer;
        std::optional<Geometry> rich_text;
    };
    const Case cases[] = {
        {u"About", Tab::about, TwipSize{6100, 4500}, std::nullopt},
        {u"Licence", Tab::licence, TwipSize{12800, 10000}, Geometry{45, 180, 12500, 8500}},
        {u"Credits", Tab::credits, TwipSize{12800, 10000}, Geometry{45, 180, 12500, 8500}},
        // The tab is known by its caption exactly; the frame's spelling is not a tab's.
        {u"License", std::nullopt, std::nullopt, std::nullopt},
        {u"about", std::nullopt, std::nullopt, std::nullopt},
        {u"", std::nullopt, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        const TabLayout layout = tab_layout(c.caption);
        const std::string name = utf16_to_utf8(c.caption);
        EXPECT_EQ(layout.shown, c.shown) << name;
        EXPECT_EQ(layout.outer_size, c.outer) << name;
        EXPECT_EQ(layout.rich_text_box, c.rich_text) << name;
    }
}

TEST(AboutTabLayout, WindowIsCentredOnTheScreen) {
    struct Case {
        TwipSize screen;
        TwipSize window;
        TwipPoint expected;
    };
    const Case cases[] = {
        // 1280 x 1024 pixels at 96 DPI.
        {{19200, 15360}, about_outer_size, {6550, 5430}},
        {{19200, 15360}, document_outer_size, {3200, 2680}},
        // Odd differences give half twips; nothing is rounded here.
        {{19201, 15361}, about_outer_size, {6550.5f, 5430.5f}},
        {{12800, 10000}, document_outer_size, {0, 0}},
        // 800 x 600: the large box would go off the top; it stops at the edge.
        {{12000, 9000}, document_outer_size, {0, 0}},
        {{12000, 9000}, about_outer_size, {2950, 2250}},
        {{0, 0}, about_outer_size, {0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(centred(c.screen, c.window), c.expected) << c.screen.width << "x" << c.screen.height;
    }
}

TEST(AboutFont, ShrinksAPixelAtATimeDownToSevenPoints) {
    struct Case {
        int height;
        int dpi;
        std::vector<int> expected;
    };
    const Case cases[] = {
        // 7 points is 9.33 pixels at 96 DPI, 11.67 at 120 and 14 at 144.
        {-12, 96, {-12, -11, -10, -9}},
        {-13, 120, {-13, -12}},
        {-17, 144, {-17, -16, -15, -14}},
        // A cell height shrinks towards zero as well.
        {12, 96, {12, 11, 10, 9}},
        // At or below the floor already: that font alone, never a larger one.
        {-9, 96, {-9}},
        {-7, 96, {-7}},
        {5, 96, {5}},
        // The system's default height.
        {0, 96, {0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(font_heights_to_try(c.height, c.dpi), c.expected) << c.height << " at " << c.dpi << " DPI";
    }
}

TEST(AboutMailLink, TurnsBlueOverItselfAndBlackOnlyOverTheSurfaceAndTwoLabels) {
    using P = PointerOver;
    struct Step {
        PointerOver where;
        bool hot;
        bool changed;
    };
    const std::vector<std::vector<Step>> walks = {
        // Onto the link, across the frame, tab strip and buttons: it stays lit.
        {{P::elsewhere, false, false},
         {P::mail_link, true, true},
         {P::mail_link, true, false},
         {P::elsewhere, true, false},
         {P::window_surface, false, true}},
        {{P::mail_link, true, true}, {P::Label2, false, true}, {P::Label2, false, false}},
        {{P::mail_link, true, true}, {P::lblDescription, false, true}, {P::mail_link, true, true}},
        {{P::window_surface, false, false}, {P::lblDescription, false, false}},
    };
    for (std::size_t w = 0; w < walks.size(); ++w) {
        MailLink link;
        EXPECT_EQ(link.colour(), black);
        for (std::size_t s = 0; s < walks[w].size(); ++s) {
            const Step& step = walks[w][s];
            EXPECT_EQ(link.pointer_moved(step.where), step.changed) << "walk " << w << " step " << s;
            EXPECT_EQ(link.hot(), step.hot) << "walk " << w << " step " << s;
            EXPECT_EQ(link.underlined(), step.hot);
            EXPECT_EQ(link.colour(), step.hot ? (Rgb{0, 0, 255}) : (Rgb{0, 0, 0}));
        }
    }
}

class KeyValue : public ::testing::Test {
protected:
    // Reads value "V" of key "K" with "unchanged" as the caller's text.
    std::pair<bool, std::u16string> read(const RegistryValue& stored) {
        registry.put(hkey_local_machine, u"SOFTWARE\\K", u"V", stored);
        std::u16string out = u"unchanged";
        const bool read = frmAbout::GetKeyValue(registry, system, hkey_local_machine, u"software\\k", u"v", out);
        EXPECT_EQ(registry.last_access, key_read);
        EXPECT_EQ(registry.open_handles(), 0u);
        return {read, out};
    }

    FakeRegistry registry;
    FakeSystem system;
};

TEST_F(KeyValue, ValueTypesAndTheBuffer) {
    const std::u16string fills_buffer(512, u'x');  // 1,024 bytes
    std::u16string nul_at_end(511, u'y');
    nul_at_end.push_back(u'\0');
    RegistryValue odd = stored_text(u"abc");
    odd.data.push_back(0x41);  // half a character after the NUL

    struct Case {
        const char* name;
        RegistryValue stored;
        bool read;
        std::u16string value;
    };
    const Case cases[] = {
        {"text", stored_text(u"C:\\Tools\\msinfo32.exe"), true, u"C:\\Tools\\msinfo32.exe"},
        {"text without its NUL", utf16_value(reg_type::sz, u"abc"), true, u"abc"},
        {"empty text", stored_text(u""), true, u""},
        {"no bytes at all", utf16_value(reg_type::sz, u""), true, u""},
        {"only the last NUL goes", utf16_value(reg_type::sz, std::u16string(u"a\0b\0\0", 5)), true,
         std::u16string(u"a\0b\0", 4)},
        {"odd byte count", odd, true, u"abc"},
        {"exactly the buffer, no NUL", utf16_value(reg_type::sz, fills_buffer), true, fills_buffer},
        {"exactly the buffer, NUL last", utf16_value(reg_type::sz, nul_at_end), true, std::u16string(511, u'y')},
        {"one unit too long", utf16_value(reg_type::sz, fills_buffer + u'x'), false, u""},
        {"REG_SZ keeps references as text", stored_text(u"%CommonProgramFiles%\\x.exe"), true,
         u"%CommonProgramFiles%\\x.exe"},
        {"dword", RegistryValue{reg_type::dword, {0x00, 0x01, 0x00, 0x00}}, true, u"256"},
        {"dword above 2^31", RegistryValue{reg_type::dword, {0xFF, 0xFF, 0xFF, 0xFF}}, true, u"4294967295"},
        {"dword of three bytes", RegistryValue{reg_type::dword, {0x01, 0x00, 0x00}}, true, u""},
        {"binary", RegistryValue{reg_type::binary, {0x41, 0x00}}, true, u"unchanged"},
        {"multi text", utf16_value(reg_type::multi_sz, std::u16string(u"a\0b\0\0", 5)), true, u"unchanged"},
        {"long binary", RegistryValue{reg_type::binary, std::vector<std::uint8_t>(1025, 1)}, false, u""},
    };
    for (const Case& c : cases) {
        const auto [read_ok, value] = read(c.stored);
        EXPECT_EQ(read_ok, c.read) << c.name;
        EXPECT_EQ(value, c.value) << c.name;
    }
}

TEST_F(KeyValue, ExpandableTextIsExpanded) {
    const auto [read_ok, value] =
        read(utf16_value(reg_type::expand_sz, u"%commonprogramfiles%\\Microsoft Shared\\%NoSuch%\\msinfo32.exe\0"));
    EXPECT_TRUE(read_ok);
    EXPECT_EQ(value, u"C:\\Program Files\\Common Files\\Microsoft Shared\\%NoSuch%\\msinfo32.exe");
}

TEST_F(KeyValue, MissingKeyMissingValueAndFailuresGiveFalseAndEmpty) {
    registry.put_text(hkey_local_machine, u"SOFTWARE\\K", u"Other", u"x");
    std::u16string out = u"unchanged";
    EXPECT_FALSE(frmAbout::GetKeyValue(registry, system, hkey_local_machine, u"SOFTWARE\\Missing", u"V", out));
    EXPECT_EQ(out, u"");

    out = u"unchanged";
    EXPECT_FALSE(frmAbout::GetKeyValue(registry, system, hkey_local_machine, u"SOFTWARE\\K", u"V", out));
    EXPECT_EQ(out, u"");
    // The root matters: the same path elsewhere is another key.
    out = u"unchanged";
    EXPECT_FALSE(frmAbout::GetKeyValue(registry, system, hkey_current_user, u"SOFTWARE\\K", u"Other", out));
    EXPECT_EQ(out, u"");

    // A failure inside the registry is a value not read, and the key is closed.
    registry.throw_on("query", 1);
    out = u"unchanged";
    EXPECT_FALSE(frmAbout::GetKeyValue(registry, system, hkey_local_machine, u"SOFTWARE\\K", u"Other", out));
    EXPECT_EQ(out, u"");
    EXPECT_EQ(registry.open_handles(), 0u);
}

class SysInfo : public ::testing::Test {
protected:
    void run() { StartSysInfo(registry, system, messages); }

    bool told_unavailable() const {
        if (messages.shown.size() != 1) {
            return false;
        }
        const MessageRequest& m = messages.shown[0];
        EXPECT_EQ(m.text, u"System Information Is Unavailable At This Time");
        EXPECT_EQ(m.title, u"Tarvex");
        EXPECT_EQ(m.buttons, MessageButtons::ok);
        EXPECT_EQ(m.icon, MessageIcon::none);
        return true;
    }

    void put_path(const RegistryValue& value) { registry.put(hkey_local_machine, msinfo_key, u"PATH", value); }
    void put_folder(const std::u16string& folder) {
        registry.put_text(hkey_local_machine, shared_tools_key, u"MSINFO", folder);
    }

    FakeRegistry registry;
    FakeSystem system;
    FakeMessageBoxes messages;
};

TEST_F(SysInfo, RecordedPathIsTrustedWithoutLookingForTheFile) {
    const std::u16string path = msinfo_folder + u"\\msinfo32.exe";
    put_path(stored_text(path));
    put_folder(msinfo_folder);
    system.entries[msinfo_folder + u"\\MSINFO32.EXE"] = FakeSystem::Entry::ordinary;
    system.startable = {path, msinfo_folder + u"\\MSINFO32.EXE"};
    run();
    EXPECT_EQ(system.started, std::vector<std::u16string>{path});
    EXPECT_TRUE(system.checked.empty());
    EXPECT_TRUE(messages.shown.empty());

    // The same path with nothing behind it: starting fails and the folder key,
    // which would have worked, is not consulted.
    system.startable.clear();
    system.started.clear();
    registry.calls.clear();
    run();
    EXPECT_EQ(system.started, std::vector<std::u16string>{path});
    EXPECT_EQ(registry.calls["open"], 1);
    EXPECT_TRUE(told_unavailable());
}

TEST_F(SysInfo, PathValueTypes) {
    struct Case {
        const char* name;
        RegistryValue path;
        std::u16string started;  // what was started; the message follows unless startable
        bool startable;
    };
    const std::u16string expanded = u"C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe";
    const Case cases[] = {
        {"expandable text is expanded",
         utf16_value(reg_type::expand_sz, u"%CommonProgramFiles%\\Microsoft Shared\\MSInfo\\msinfo32.exe\0"), expanded,
         true},
        // Read, but no text: the empty path does not start.
        {"binary", RegistryValue{reg_type::binary, {0x43, 0x00, 0x3A, 0x00}}, u"", false},
        {"dword", RegistryValue{reg_type::dword, {7, 0, 0, 0}}, u"7", false},
    };
    for (const Case& c : cases) {
        FakeRegistry fresh_registry;
        FakeSystem fresh_system;
        FakeMessageBoxes fresh_messages;
        fresh_registry.put(hkey_local_machine, msinfo_key, u"PATH", c.path);
        fresh_registry.put_text(hkey_local_machine, shared_tools_key, u"MSINFO", msinfo_folder);
        fresh_system.entries[msinfo_folder + u"\\MSINFO32.EXE"] = FakeSystem::Entry::ordinary;
        fresh_system.startable = {expanded, msinfo_folder + u"\\MSINFO32.EXE"};
        StartSysInfo(fresh_registry, fresh_system, fresh_messages);
        EXPECT_EQ(fresh_system.started, std::vector<std::u16string>{c.started}) << c.name;
        EXPECT_EQ(fresh_messages.shown.size(), c.startable ? 0u : 1u) << c.name;
        EXPECT_EQ(fresh_registry.calls["open"], 1) << c.name;
    }
}

TEST_F(SysInfo, FolderIsUsedAsReadAndMustHoldAnOrdinaryFile) {
    struct Case {
        const char* name;
        std::u16string folder;
        std::u16string file;  // the name the system knows
        FakeSystem::Entry entry;
        bool starts;
    };
    const std::u16string single = msinfo_folder + u"\\MSINFO32.EXE";
    const std::u16string doubled = msinfo_folder + u"\\\\MSINFO32.EXE";
    const Case cases[] = {
        {"plain folder", msinfo_folder, single, FakeSystem::Entry::ordinary, true},
        {"trailing backslash doubles", msinfo_folder + u"\\", doubled, FakeSystem::Entry::ordinary, true},
        {"doubled name is not tidied", msinfo_folder + u"\\", single, FakeSystem::Entry::ordinary, false},
        {"hidden file", msinfo_folder, single, FakeSystem::Entry::hidden, false},
        {"system file", msinfo_folder, single, FakeSystem::Entry::system_file, false},
        {"a folder of that name", msinfo_folder, single, FakeSystem::Entry::folder, false},
        {"empty folder text", u"", u"\\MSINFO32.EXE", FakeSystem::Entry::ordinary, true},
    };
    for (const Case& c : cases) {
        FakeRegistry fresh_registry;
        FakeSystem fresh_system;
        FakeMessageBoxes fresh_messages;
        fresh_registry.put_text(hkey_local_machine, shared_tools_key, u"MSINFO", c.folder);
        fresh_system.entries[c.file] = c.entry;
        fresh_system.startable = {c.file};
        StartSysInfo(fresh_registry, fresh_system, fresh_messages);
        ASSERT_EQ(fresh_system.checked.size(), 1u) << c.name;
        EXPECT_EQ(fresh_system.checked[0], c.folder + u"\\MSINFO32.EXE") << c.name;
        EXPECT_EQ(fresh_system.started.size(), c.starts ? 1u : 0u) << c.name;
        EXPECT_EQ(fresh_messages.shown.size(), c.starts ? 0u : 1u) << c.name;
        // Both lookups only read.
        EXPECT_EQ(fresh_registry.last_access, key_read) << c.name;
        EXPECT_EQ(fresh_registry.open_handles(), 0u) << c.name;
    }
}

TEST_F(SysInfo, NothingRecordedOrEveryFailureEndsInTheOneMessage) {
    run();
    EXPECT_TRUE(system.started.empty());
    EXPECT_TRUE(told_unavailable());

    // A program that throws while starting.
    messages.shown.clear();
    put_path(stored_text(u"C:\\x.exe"));
    system.throw_on_start = true;
    EXPECT_NO_THROW(run());
    EXPECT_TRUE(told_unavailable());

    // A registry that fails on the first lookup falls back to the second.
    messages.shown.clear();
    system.throw_on_start = false;
    registry.throw_on("open", 1);
    put_folder(msinfo_folder);
    system.entries[msinfo_folder + u"\\MSINFO32.EXE"] = FakeSystem::Entry::ordinary;
    system.startable = {msinfo_folder + u"\\MSINFO32.EXE"};
    run();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(system.started.back(), msinfo_folder + u"\\MSINFO32.EXE");

    // Nothing recorded and the message box itself fails: still nothing escapes.
    class ThrowingBoxes final : public MessageBoxes {
    public:
        MessageAnswer show(const MessageRequest&) override { throw TarvexError{7, u"Out of memory"}; }
    } throwing;
    FakeRegistry empty;
    EXPECT_NO_THROW(StartSysInfo(empty, system, throwing));
    // Nothing was written on any of these paths.
    EXPECT_EQ(registry.calls["create"] + registry.calls["set"], 0);
}
