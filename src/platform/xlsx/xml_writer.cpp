#include "platform/xlsx/xml_writer.h"

#include <charconv>
#include <cstdio>

namespace quill::xlsx::detail {

XmlWriter::XmlWriter() : out_("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n") {}

void XmlWriter::end_start_tag() {
    if (in_start_tag_) {
        out_ += '>';
        in_start_tag_ = false;
    }
}

XmlWriter& XmlWriter::open(std::string_view name) {
    end_start_tag();
    out_ += '<';
    out_ += name;
    open_.emplace_back(name);
    in_start_tag_ = true;
    return *this;
}

XmlWriter& XmlWriter::attr(std::string_view name, std::string_view value) {
    out_ += ' ';
    out_ += name;
    out_ += "=\"";
    append_escaped(out_, value, true);
    out_ += '"';
    return *this;
}

XmlWriter& XmlWriter::text(std::string_view utf8) {
    end_start_tag();
    append_escaped(out_, utf8, false);
    return *this;
}

XmlWriter& XmlWriter::raw(std::string_view xml) {
    end_start_tag();
    out_ += xml;
    return *this;
}

XmlWriter& XmlWriter::close() {
    if (in_start_tag_) {
        out_ += "/>";
        in_start_tag_ = false;
    } else {
        out_ += "</";
        out_ += open_.back();
        out_ += '>';
    }
    open_.pop_back();
    return *this;
}

std::string XmlWriter::take() {
    while (!open_.empty()) close();
    return std::move(out_);
}

void append_escaped(std::string& out, std::string_view s, bool attribute) {
    // Most texts need no escape: copy them whole.
    constexpr std::string_view special = "&<>\"\r\n\t";
    std::size_t from = 0;
    for (std::size_t at = s.find_first_of(special); at != std::string_view::npos; at = s.find_first_of(special, from)) {
        out.append(s.substr(from, at - from));
        from = at + 1;
        switch (s[at]) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += attribute ? "&quot;" : "\""; break;
        case '\r': out += "&#13;"; break;  // a raw CR would be read back as LF
        case '\n': out += attribute ? "&#10;" : "\n"; break;
        case '\t': out += attribute ? "&#9;" : "\t"; break;
        }
    }
    out.append(s.substr(from));
}

std::string escape_xml(std::string_view s, bool attribute) {
    std::string out;
    out.reserve(s.size());
    append_escaped(out, s, attribute);
    return out;
}

namespace {
bool is_hex(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }
bool escape_at(const std::u16string& t, std::size_t i) {
    if (i + 7 > t.size() || t[i] != u'_' || t[i + 1] != u'x' || t[i + 6] != u'_') return false;
    for (std::size_t k = 2; k < 6; ++k)
        if (!is_hex(t[i + k])) return false;
    return true;
}
// "_xHHHH" followed by anything: the next character may itself be written as
// an escape, whose leading '_' would complete this one.
bool escape_prefix_at(const std::u16string& t, std::size_t i) {
    if (i + 6 > t.size() || t[i] != u'_' || t[i + 1] != u'x') return false;
    for (std::size_t k = 2; k < 6; ++k)
        if (!is_hex(t[i + k])) return false;
    return true;
}
void append_escape(std::u16string& out, unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "_x%04X_", v);
    for (const char* p = buf; *p; ++p) out += static_cast<char16_t>(*p);
}
}  // namespace

std::u16string xstring_escape(const std::u16string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (escape_prefix_at(text, i)) {
            append_escape(out, u'_');  // a literal "_x0041_" must not read back as "A"
            continue;
        }
        // A surrogate without its partner has no UTF-8 form: written raw it
        // would come back as something else, escaped it comes back as itself.
        const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        const bool paired_high = high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF || (high && !paired_high) ||
            low) {
            append_escape(out, c);
            continue;
        }
        out += c;
        if (paired_high) out += text[++i];
    }
    return out;
}

std::u16string xstring_unescape(std::u16string text) {
    if (text.find(u"_x") == std::u16string::npos) return text;
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (escape_at(text, i)) {
            unsigned v = 0;
            for (std::size_t k = 2; k < 6; ++k) {
                const char16_t h = text[i + k];
                v = v * 16 + (h <= u'9' ? h - u'0' : (h | 0x20) - u'a' + 10);
            }
            out += static_cast<char16_t>(v);
            i += 6;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool needs_preserve(const std::u16string& text) {
    if (text.empty()) return false;
    auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; };
    return blank(text.front()) || blank(text.back()) || text.find_first_of(u"\n\r\t") != std::u16string::npos;
}

std::string number_text(double value) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

}  // namespace quill::xlsx::detail
