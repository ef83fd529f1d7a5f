#include "model/xml.h"

#include <cstdint>

namespace standin::xml {

const std::u16string* Element::attribute(std::u16string_view attribute_name) const {
    for (const auto& [name, value] : attributes) {
        if (name == attribute_name) {
            return &value;
        }
    }
    return nullptr;
}

namespace {

class Reader {
public:
    explicit Reader(std::u16string_view text) : text_(text) {}

    Element document() {
        skip_prolog();
        if (!at(u"<")) {
            fail("the document has no root element");
        }
        Element root = element();
        skip_misc();
        if (pos_ != text_.size()) {
            fail("text after the root element");
        }
        return root;
    }

private:
    [[noreturn]] void fail(const std::string& reason) const {
        throw ParseError(reason + " (at character " + std::to_string(pos_) + ")");
    }

    bool at(std::u16string_view s) const { return text_.substr(pos_, s.size()) == s; }

    void expect(std::u16string_view s, const char* what) {
        if (!at(s)) {
            fail(std::string("expected ") + what);
        }
        pos_ += s.size();
    }

    static bool is_space(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
    static bool is_name_char(char16_t c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
               c == u':' || c == u'-' || c == u'.' || c > 0x7F;
    }

    void skip_space() {
        while (pos_ < text_.size() && is_space(text_[pos_])) {
            ++pos_;
        }
    }

    void skip_until(std::u16string_view end, const char* what) {
        const auto found = text_.find(end, pos_);
        if (found == std::u16string_view::npos) {
            fail(std::string("unclosed ") + what);
        }
        pos_ = found + end.size();
    }

    // Comments and white space, as allowed around the root element.
    void skip_misc() {
        for (;;) {
            skip_space();
            if (at(u"<!--")) {
                skip_until(u"-->", "comment");
            } else {
                return;
            }
        }
    }

    void skip_prolog() {
        if (at(u"\uFEFF")) {
            ++pos_;
        }
        if (at(u"<?xml")) {
            skip_until(u"?>", "XML declaration");
        }
        skip_misc();
    }

    std::u16string name() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && is_name_char(text_[pos_])) {
            ++pos_;
        }
        if (pos_ == start) {
            fail("expected a name");
        }
        return std::u16string(text_.substr(start, pos_ - start));
    }

    // Text with its entity and character references replaced.
    std::u16string decoded(std::u16string_view raw) {
        std::u16string out;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != u'&') {
                if (raw[i] == u'<') {
                    fail("'<' inside a value");
                }
                out += raw[i];
                continue;
            }
            const auto end = raw.find(u';', i);
            if (end == std::u16string_view::npos) {
                fail("an unterminated reference");
            }
            const std::u16string_view entity = raw.substr(i + 1, end - i - 1);
            if (entity == u"amp") {
                out += u'&';
            } else if (entity == u"lt") {
                out += u'<';
            } else if (entity == u"gt") {
                out += u'>';
            } else if (entity == u"quot") {
                out += u'"';
            } else if (entity == u"apos") {
                out += u'\'';
            } else if (entity.size() > 1 && entity[0] == u'#') {
                const bool hex = entity[1] == u'x';
                std::uint32_t code = 0;
                const std::u16string_view digits = entity.substr(hex ? 2 : 1);
                if (digits.empty()) {
                    fail("an empty character reference");
                }
                for (const char16_t d : digits) {
                    int v = -1;
                    if (d >= u'0' && d <= u'9') {
                        v = d - u'0';
                    } else if (hex && d >= u'a' && d <= u'f') {
                        v = d - u'a' + 10;
                    } else if (hex && d >= u'A' && d <= u'F') {
                        v = d - u'A' + 10;
                    }
                    if (v < 0 || code > 0x10FFFF) {
                        fail("a malformed character reference");
                    }
                    code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
                }
                if (code == 0 || code > 0x10FFFF) {
                    fail("a character reference out of range");
                }
                if (code >= 0x10000) {
                    code -= 0x10000;
                    out += static_cast<char16_t>(0xD800 + (code >> 10));
                    out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
                } else {
                    out += static_cast<char16_t>(code);
                }
            } else {
                fail("an unknown entity");
            }
            i = end;
        }
        return out;
    }

    Element element() {
        expect(u"<", "'<'");
        Element e;
        e.name = name();
        for (;;) {
            const std::size_t before = pos_;
            skip_space();
            if (at(u"/>")) {
                pos_ += 2;
                return e;
            }
            if (at(u">")) {
                ++pos_;
                break;
            }
            if (pos_ == before) {
                fail("expected white space before an attribute");
            }
            std::u16string attribute_name = name();
            skip_space();
            expect(u"=", "'=' after an attribute name");
            skip_space();
            if (pos_ >= text_.size() || (text_[pos_] != u'"' && text_[pos_] != u'\'')) {
                fail("expected a quoted attribute value");
            }
            const char16_t quote = text_[pos_++];
            const auto end = text_.find(quote, pos_);
            if (end == std::u16string_view::npos) {
                fail("an unterminated attribute value");
            }
            std::u16string value = decoded(text_.substr(pos_, end - pos_));
            pos_ = end + 1;
            if (e.attribute(attribute_name) != nullptr) {
                fail("a repeated attribute");
            }
            e.attributes.emplace_back(std::move(attribute_name), std::move(value));
        }
        // Content: child elements, comments and text, up to the matching end tag.
        for (;;) {
            const auto next = text_.find(u'<', pos_);
            if (next == std::u16string_view::npos) {
                fail("an unclosed element");
            }
            decoded(text_.substr(pos_, next - pos_));  // text is checked, then dropped
            pos_ = next;
            if (at(u"</")) {
                pos_ += 2;
                if (name() != e.name) {
                    fail("an end tag that does not match its start tag");
                }
                skip_space();
                expect(u">", "'>'");
                return e;
            }
            if (at(u"<!--")) {
                skip_until(u"-->", "comment");
            } else if (at(u"<![CDATA[")) {
                skip_until(u"]]>", "CDATA section");
            } else {
                e.children.push_back(element());
            }
        }
    }

    std::u16string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

Element parse(std::u16string_view document) {
    return Reader(document).document();
}

}  // namespace standin::xml
