#include "model/custom_ui.h"

#include <set>

#include "base/text.h"
#include "model/xml.h"

namespace standin {
namespace {

constexpr std::u16string_view namespaces[] = {u"http://schemas.microsoft.com/office/2009/07/customui",
                                              u"http://schemas.microsoft.com/office/2006/01/customui"};

// The elements this host shows or passes through; anything else is refused, as
// the real host refuses a description that does not match its schema.
constexpr std::u16string_view containers[] = {u"ribbon", u"tabs", u"tab", u"group"};

std::u16string text_of(const xml::Element& e, std::u16string_view name) {
    const std::u16string* value = e.attribute(name);
    return value ? *value : std::u16string();
}

[[noreturn]] void refuse(const std::string& reason) {
    throw CustomUiError(reason);
}

void collect(const xml::Element& e, const std::u16string& group, std::set<std::u16string>& ids,
             std::vector<RibbonButton>& buttons) {
    if (const std::u16string* id = e.attribute(u"id")) {
        if (!ids.insert(*id).second) {
            refuse("the id \"" + tarvex::utf16_to_utf8(*id) + "\" is used twice");
        }
    }
    if (e.name == u"button") {
        if (!e.children.empty()) {
            refuse("a button holds other elements");
        }
        RibbonButton b{text_of(e, u"id"),
                       text_of(e, u"label"),
                       text_of(e, u"screentip"),
                       text_of(e, u"supertip"),
                       text_of(e, u"keytip"),
                       text_of(e, u"size"),
                       group,
                       text_of(e, u"getImage"),
                       text_of(e, u"onAction")};
        if (b.id.empty()) {
            refuse("a button without an id");
        }
        buttons.push_back(std::move(b));
        return;
    }
    if (e.name == u"separator") {
        return;
    }
    bool known = false;
    for (const auto name : containers) {
        known = known || e.name == name;
    }
    if (!known) {
        refuse("unknown element <" + tarvex::utf16_to_utf8(e.name) + ">");
    }
    const std::u16string inner = e.name == u"group" ? text_of(e, u"label") : group;
    for (const auto& child : e.children) {
        collect(child, inner, ids, buttons);
    }
}

}  // namespace

std::vector<RibbonButton> read_custom_ui(std::u16string_view text) {
    xml::Element root;
    try {
        root = xml::parse(text);
    } catch (const xml::ParseError& e) {
        refuse(std::string("malformed XML: ") + e.what());
    }
    if (root.name != u"customUI") {
        refuse("the root element is <" + tarvex::utf16_to_utf8(root.name) + ">, not <customUI>");
    }
    const std::u16string* ns = root.attribute(u"xmlns");
    bool known_namespace = false;
    for (const auto n : namespaces) {
        known_namespace = known_namespace || (ns != nullptr && *ns == n);
    }
    if (!known_namespace) {
        refuse("customUI is not in the host's namespace");
    }
    std::set<std::u16string> ids;
    std::vector<RibbonButton> buttons;
    for (const auto& child : root.children) {
        collect(child, u"", ids, buttons);
    }
    return buttons;
}

}  // namespace standin
