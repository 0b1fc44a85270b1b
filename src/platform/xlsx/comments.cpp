#include "platform/xlsx/comments.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "ports/host_error.h"
#include "platform/xlsx/package.h"
#include "platform/xlsx/shared_strings.h"
#include "platform/xlsx/workbook.h"
#include "platform/xlsx/xml_writer.h"

#include "platform/xlsx/xml_names.h"

namespace quill::xlsx::detail {


CommentsIndex index_comments(const pugi::xml_document& doc) {
    CommentsIndex index;
    const auto root = doc.document_element();
    index.patchable = std::string_view(root.attribute("xmlns").value()) == kMainNs;
    for (auto a : root.attributes()) {
        const std::string_view n = a.name();
        if (n.starts_with("xmlns:") || n == "mc:Ignorable") index.root_attributes.emplace_back(a.name(), a.value());
    }
    for (auto a : child(root, "authors").children())
        if (local(a.name()) == "author") index.authors.push_back(to_u16(a.text().get()));
    for (auto c : child(root, "commentList").children()) {
        if (local(c.name()) != "comment") continue;
        IndexedComment ic;
        if (!parse_cell_ref(c.attribute("ref").value(), ic.row, ic.col))
            fail(std::string("note with a bad cell reference \"") + c.attribute("ref").value() + "\"");
        ic.author = c.attribute("authorId").as_uint(0);
        ic.text = child(c, "text");
        for (auto a : c.attributes()) {
            const std::string_view n = a.name();
            if (n != "ref" && n != "authorId") ic.extra.emplace_back(a.name(), a.value());
        }
        if (std::string_view(c.name()) != "comment") index.patchable = false;
        const std::ptrdiff_t name_at = c.offset_debug();
        ic.start = name_at > 0 ? name_at - 1 : -1;
        index.comments.push_back(std::move(ic));
    }
    return index;
}

RunList comment_text(pugi::xml_node text, const ThemeColors& theme) {
    return apply_fonts(parse_string_item(text, theme), note_default_font());
}

CommentsPart parse_comments(const pugi::xml_document& doc, const ThemeColors& theme) {
    CommentsIndex index = index_comments(doc);
    CommentsPart part;
    part.root_attributes = std::move(index.root_attributes);
    for (auto& ic : index.comments) {
        LoadedComment lc;
        lc.row = ic.row;
        lc.col = ic.col;
        if (ic.author < index.authors.size()) lc.author = index.authors[ic.author];
        lc.text = comment_text(ic.text, theme);
        lc.extra = std::move(ic.extra);
        part.comments.push_back(std::move(lc));
    }
    return part;
}

namespace {

// The val of <u>: "" for single (Excel leaves it out), null for no <u> at all.
const char* underline_value(std::int32_t style) {
    switch (style) {
    case host::xlUnderlineStyleSingle: return "";
    case host::xlUnderlineStyleDouble: return "double";
    case host::xlUnderlineStyleSingleAccounting: return "singleAccounting";
    case host::xlUnderlineStyleDoubleAccounting: return "doubleAccounting";
    default: return nullptr;
    }
}

// Excel's order: b, i, strike, u, sz, color, rFont, family.
void write_run_properties(XmlWriter& w, const CharFont& f) {
    w.open("rPr");
    if (f.bold) w.leaf("b");
    if (f.italic) w.leaf("i");
    if (f.strikethrough) w.leaf("strike");
    if (const char* u = underline_value(f.underline)) {
        w.open("u");
        if (*u) w.attr("val", u);
        w.close();
    }
    w.open("sz").attr("val", number_text(f.size)).close();
    w.open("color").attr("rgb", to_argb(f.color)).close();
    w.open("rFont").attr("val", to_utf8(f.name)).close();
    w.open("family").attr("val", "2").close();
    w.close();
}

void write_text_element(XmlWriter& w, const std::u16string& text) {
    w.open("t");
    if (needs_preserve(text)) w.attr("xml:space", "preserve");
    w.text(to_utf8(xstring_escape(text))).close();
}

// A part's runs share a handful of fonts: each font's properties are written once.
class RunProperties {
public:
    const std::string& of(const CharFont& f) {
        for (const auto& [font, xml] : written_)
            if (font == f) return xml;
        XmlWriter w{XmlWriter::Fragment{}};
        write_run_properties(w, f);
        return written_.emplace_back(f, w.take()).second;
    }

private:
    std::vector<std::pair<CharFont, std::string>> written_;
};

void write_run(XmlWriter& w, const Run& r, RunProperties& props) {
    w.open("r");
    w.raw(props.of(r.font));
    write_text_element(w, r.text);
    w.close();
}

void write_comment(XmlWriter& w, const Note& n, std::size_t author, const CommentExtras& extras, RunProperties& props) {
    const std::string ref = cell_name(n.row, n.col);
    w.open("comment").attr("ref", ref).attr("authorId", static_cast<long long>(author));
    if (auto it = extras.find(ref); it != extras.end())
        for (const auto& [k, v] : it->second) w.attr(k, v);
    w.open("text");
    bool any = false;
    for (const auto& r : n.text.get()) {
        if (r.text.empty()) continue;
        write_run(w, r, props);
        any = true;
    }
    if (!any) write_text_element(w, u"");
    w.close().close();
}

void write_authors(XmlWriter& w, const std::vector<std::u16string>& authors) {
    w.open("authors");
    for (const auto& a : authors) w.open("author").text(to_utf8(a)).close();
    w.close();
}

}  // namespace

std::string write_comments(const std::vector<Note>& notes, const CommentExtras& extras,
                           const std::vector<std::pair<std::string, std::string>>& root_attributes) {
    std::vector<std::u16string> authors;
    std::vector<std::size_t> author_of;
    for (const auto& n : notes) {
        auto it = std::find(authors.begin(), authors.end(), n.author);
        if (it == authors.end()) it = authors.insert(authors.end(), n.author);
        author_of.push_back(static_cast<std::size_t>(it - authors.begin()));
    }
    XmlWriter w;
    w.open("comments").attr("xmlns", kMainNs);
    for (const auto& [k, v] : root_attributes) w.attr(k, v);
    write_authors(w, authors);
    w.open("commentList");
    RunProperties props;
    for (std::size_t i = 0; i < notes.size(); ++i) write_comment(w, notes[i], author_of[i], extras, props);
    return w.take();
}

std::optional<std::string> patch_comments(const std::string& original, const CommentsIndex& index,
                                          const std::vector<Note>& before, const std::vector<Note>& now,
                                          const CommentExtras& extras) {
    if (!index.patchable || now.size() != before.size() || index.comments.size() != before.size()) return std::nullopt;
    // Element ends are found by searching for the end tag, which only a CDATA
    // section, an XML comment or a processing instruction could hide or fake.
    for (const char mark : {'!', '?'})
        for (auto at = original.find(mark, 1); at != std::string::npos; at = original.find(mark, at + 1))
            if (original[at - 1] == '<' && !(mark == '?' && at == 1)) return std::nullopt;
    constexpr std::string_view kEnd = "</comment>";
    const std::boyer_moore_horspool_searcher end_tag(kEnd.begin(), kEnd.end());
    std::string out;
    out.reserve(original.size() + 1024);
    std::size_t copied = 0;  // original[0, copied) is in `out`
    RunProperties props;
    for (std::size_t i = 0; i < now.size(); ++i) {
        const Note& was = before[i];
        const Note& is = now[i];
        if (is.row != was.row || is.col != was.col) return std::nullopt;
        // The offset is into the parser's buffer: it must name this note's
        // start tag in the bytes as read too (it would not after a conversion
        // from another encoding).
        const std::ptrdiff_t start = index.comments[i].start;
        const auto at = static_cast<std::size_t>(start);
        if (start < 0 || at < copied || at >= original.size()) return std::nullopt;
        const std::string_view tag(original.data() + at, std::min(original.find('>', at), original.size()) - at);
        if (!tag.starts_with("<comment") || tag.size() < 9 || std::string_view(" \t\r\n").find(tag[8]) == std::string_view::npos ||
            tag.find("ref=\"" + cell_name(was.row, was.col) + "\"") == std::string_view::npos)
            return std::nullopt;
        const auto found = std::search(original.begin() + start, original.end(), end_tag);
        if (found == original.end()) return std::nullopt;
        const auto end = static_cast<std::size_t>(found - original.begin());
        if (is.author == was.author && is.text == was.text) continue;
        const auto author = std::find(index.authors.begin(), index.authors.end(), is.author);
        if (author == index.authors.end()) return std::nullopt;
        out.append(original, copied, at - copied);
        XmlWriter w{XmlWriter::Fragment{}};
        write_comment(w, is, static_cast<std::size_t>(author - index.authors.begin()), extras, props);
        out += w.take();
        copied = end + kEnd.size();
    }
    out.append(original, copied, std::string::npos);
    return out;
}

}  // namespace quill::xlsx::detail
