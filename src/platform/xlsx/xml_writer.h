#pragma once
// A small streaming XML writer: the writer functions of each part build their
// element with it, one function per element.
#include <string>
#include <string_view>
#include <vector>

namespace quill::xlsx::detail {

class XmlWriter {
public:
    XmlWriter();  // starts with the XML declaration Excel writes
    struct Fragment {};
    explicit XmlWriter(Fragment) {}  // markup to be put into another writer with raw()
    XmlWriter& open(std::string_view name);
    XmlWriter& attr(std::string_view name, std::string_view value);
    XmlWriter& attr(std::string_view name, long long value) { return attr(name, std::to_string(value)); }
    XmlWriter& text(std::string_view utf8);  // escaped
    XmlWriter& raw(std::string_view xml);    // already well-formed markup
    XmlWriter& close();                      // the innermost open element
    XmlWriter& leaf(std::string_view name) { return open(name).close(); }
    std::string take();

private:
    void end_start_tag();
    std::string out_;
    std::vector<std::string> open_;
    bool in_start_tag_ = false;
};

std::string escape_xml(std::string_view utf8, bool attribute);
void append_escaped(std::string& out, std::string_view utf8, bool attribute);

// Excel's escape for characters XML cannot carry (_xHHHH_), and its inverse.
std::u16string xstring_escape(const std::u16string& text);
std::u16string xstring_unescape(std::u16string text);

// Text of a <t>-like element: does it need xml:space="preserve"?
bool needs_preserve(const std::u16string& text);

// A number as the file writes it: shortest form that reads back the same.
std::string number_text(double value);

}  // namespace quill::xlsx::detail
