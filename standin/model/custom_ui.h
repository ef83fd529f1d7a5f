#pragma once
// An add-in's ribbon description read as the host reads it: the buttons it
// asks for, with their texts and the names of their callbacks. The host shows
// nothing of an add-in whose description it cannot read, and says why.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct RibbonButton {
    std::u16string id;
    std::u16string label;
    std::u16string screentip;
    std::u16string supertip;
    std::u16string keytip;
    std::u16string size;       // "large" or "normal"
    std::u16string group;      // the label of its group
    std::u16string get_image;  // callback names; empty when not given
    std::u16string on_action;
};

struct CustomUiError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The buttons of a customUI document. Throws CustomUiError when the XML is
// malformed, its root is not customUI in one of the host's two namespaces, an
// element is one the host does not know, or two controls share an id.
std::vector<RibbonButton> read_custom_ui(std::u16string_view xml);

}  // namespace standin
