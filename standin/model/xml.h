#pragma once
// A small XML reader, enough for the ribbon descriptions add-ins hand the host:
// elements, attributes, comments, an XML declaration and the five predefined
// entities (and numeric character references). Text between elements is read
// and dropped. Anything malformed is an error with a reason, never a guess.
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace standin::xml {

struct Element {
    std::u16string name;  // as written, with any prefix
    std::vector<std::pair<std::u16string, std::u16string>> attributes;
    std::vector<Element> children;

    // The attribute's value, or nullptr when the element has none of that name.
    const std::u16string* attribute(std::u16string_view attribute_name) const;
};

struct ParseError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The document's root element. Throws ParseError for anything that is not one
// well-formed element (with its declaration and comments around it).
Element parse(std::u16string_view document);

}  // namespace standin::xml
