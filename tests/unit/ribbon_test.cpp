#include "addin/ribbon.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "model/custom_ui.h"
#include "model/xml.h"

using tarvex::u16;

namespace {

TEST(Ribbon, TarvexButtonIsOneLargeButtonInItsGroupOnTheHomeTab) {
    const std::u16string xml = tarvex::ribbon::custom_ui(tarvex::ribbon::workbook_ribbon_id);
    const standin::xml::Element root = standin::xml::parse(xml);
    EXPECT_EQ(root.name, u"customUI");
    ASSERT_NE(root.attribute(u"xmlns"), nullptr);
    EXPECT_EQ(*root.attribute(u"xmlns"), tarvex::ribbon::custom_ui_namespace);
    // The host's reading: known elements, unique ids, one button with its callbacks.
    const auto buttons = standin::read_custom_ui(xml);
    ASSERT_EQ(buttons.size(), 1u);
    const standin::RibbonButton& b = buttons[0];
    EXPECT_EQ(b.id, tarvex::ribbon::button_id);
    EXPECT_EQ(b.label, u"Find in Workbook");
    EXPECT_EQ(b.group, u"Tarvex");
    EXPECT_EQ(b.size, u"large");
    EXPECT_EQ(b.on_action, tarvex::ribbon::on_action);
    EXPECT_EQ(b.get_image, tarvex::ribbon::get_image);
    EXPECT_FALSE(b.screentip.empty());
    EXPECT_FALSE(b.supertip.empty());
    EXPECT_GE(b.keytip.size(), 1u);
    EXPECT_LE(b.keytip.size(), 3u);  // the host's limit
    // On the Home tab, at its end: no position is given.
    const auto& tab = root.children.at(0).children.at(0).children.at(0);
    EXPECT_EQ(tab.name, u"tab");
    EXPECT_EQ(*tab.attribute(u"idMso"), u"TabHome");
    const auto& group = tab.children.at(0);
    EXPECT_EQ(group.attribute(u"insertAfterMso"), nullptr);
    EXPECT_EQ(group.attribute(u"insertBeforeMso"), nullptr);
}

TEST(Ribbon, OtherRibbonsGetNothing) {
    for (const char16_t* id :
         {u"Microsoft.Excel.Chart", u"", u"microsoft.excel.workbook", u"Microsoft.Word.Document"}) {
        EXPECT_EQ(tarvex::ribbon::custom_ui(id), u"") << tarvex::utf16_to_utf8(id);
    }
}

TEST(HostRibbonReader, RefusesWhatTheHostWouldNotShow) {
    const struct {
        const char* what;
        const char* xml;
        const char* reason;
    } cases[] = {
        {"unclosed element", "<customUI xmlns='http://schemas.microsoft.com/office/2009/07/customui'><ribbon>",
         "malformed XML"},
        {"mismatched end tag",
         "<customUI xmlns='http://schemas.microsoft.com/office/2009/07/customui'><ribbon></tabs></customUI>",
         "malformed XML"},
        {"unknown entity",
         "<customUI xmlns='http://schemas.microsoft.com/office/2009/07/customui'><ribbon><tabs><tab id='t' "
         "label='&nbsp;'/></tabs></ribbon></customUI>",
         "malformed XML"},
        {"wrong namespace", "<customUI xmlns='urn:other'/>", "namespace"},
        {"wrong root", "<ribbon/>", "root element"},
        {"unknown element",
         "<customUI xmlns='http://schemas.microsoft.com/office/2009/07/customui'><ribbon><tabs><tab "
         "idMso='TabHome'><gallery id='g'/></tab></tabs></ribbon></customUI>",
         "unknown element <gallery>"},
        {"repeated id",
         "<customUI xmlns='http://schemas.microsoft.com/office/2009/07/customui'><ribbon><tabs><tab "
         "idMso='TabHome'><group id='a' label='A'><button id='a'/></group></tab></tabs></ribbon></customUI>",
         "used twice"},
    };
    for (const auto& c : cases) {
        try {
            standin::read_custom_ui(u16(c.xml));
            ADD_FAILURE() << c.what << " was accepted";
        } catch (const standin::CustomUiError& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << c.what << ": " << e.what();
        }
    }
}

TEST(HostRibbonReader, ReadsEntitiesCommentsAndTheOlderNamespace) {
    const auto buttons = standin::read_custom_ui(
        u"<?xml version=\"1.0\"?><!-- a comment --><customUI "
        u"xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\"><ribbon><tabs><tab id=\"t\" "
        u"label=\"Mine\"><group id=\"g\" label=\"Q &amp; A\"><button id=\"b\" label=\"&lt;&#65;&#x42;&gt;\" "
        u"onAction=\"Go\"/><separator id=\"s\"/></group></tab></tabs></ribbon></customUI>");
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0].label, u"<AB>");
    EXPECT_EQ(buttons[0].group, u"Q & A");
    EXPECT_EQ(buttons[0].on_action, u"Go");
}

}  // namespace
