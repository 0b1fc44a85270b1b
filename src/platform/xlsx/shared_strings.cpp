#include "platform/xlsx/shared_strings.h"

#include <cstring>

#include "ports/host_error.h"
#include "platform/xlsx/xml_writer.h"

#include "platform/xlsx/xml_names.h"

namespace quill::xlsx::detail {

std::u16string element_text(pugi::xml_node t) {
    const auto is_text = [](pugi::xml_node c) { return c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata; };
    // Nearly always one text node: converted without the copy.
    if (const pugi::xml_node first = t.first_child(); first && !first.next_sibling() && is_text(first))
        return xstring_unescape(to_u16(first.value()));
    std::string utf8;
    for (auto c : t.children())
        if (is_text(c)) utf8 += c.value();
    return xstring_unescape(to_u16(utf8));
}

StoredString parse_string_item(pugi::xml_node item, const ThemeColors& theme) {
    StoredString out;
    for (auto c : item.children()) {
        const std::string_view n = local(c.name());
        if (n == "t") {
            out.push_back({element_text(c), std::nullopt});
        } else if (n == "r") {
            StoredRun run;
            for (auto p : c.children()) {
                const std::string_view pn = local(p.name());
                if (pn == "rPr") run.props = parse_font_patch(p, theme);
                else if (pn == "t") run.text += element_text(p);
            }
            out.push_back(std::move(run));
        }
    }
    return out;
}

std::vector<StoredString> parse_shared_strings(const pugi::xml_document& doc, const ThemeColors& theme) {
    std::vector<StoredString> out;
    for (auto si : doc.document_element().children())
        if (local(si.name()) == "si") out.push_back(parse_string_item(si, theme));
    return out;
}

RunList apply_fonts(const StoredString& s, const CharFont& cell_font) {
    RunList out;
    for (const auto& r : s) {
        if (r.text.empty()) continue;
        CharFont f = r.props ? r.props->over(cell_font) : cell_font;
        if (!out.empty() && out.back().font == f) out.back().text += r.text;
        else out.push_back({r.text, std::move(f)});
    }
    return out;
}

std::u16string plain(const StoredString& s) {
    std::u16string out;
    for (const auto& r : s) out += r.text;
    return out;
}

}  // namespace quill::xlsx::detail
