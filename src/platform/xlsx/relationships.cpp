#include "platform/xlsx/relationships.h"

#include "platform/xlsx/xml_writer.h"

#include <cctype>
#include <string>

namespace quill::xlsx::detail {

bool Relationship::is(std::string_view kind) const {
    return type.size() > kind.size() && type.compare(type.size() - kind.size(), kind.size(), kind) == 0 &&
           type[type.size() - kind.size() - 1] == '/';
}

const Relationship* Relationships::find(std::string_view id) const {
    for (const auto& r : items)
        if (r.id == id) return &r;
    return nullptr;
}

const Relationship* Relationships::first(std::string_view kind) const {
    for (const auto& r : items)
        if (r.is(kind)) return &r;
    return nullptr;
}

void Relationships::remove(std::string_view id) {
    std::erase_if(items, [&](const Relationship& r) { return r.id == id; });
}

std::string Relationships::fresh_id() const {
    for (std::size_t n = items.size() + 1;; ++n) {
        std::string id = "rId" + std::to_string(n);
        if (!find(id)) return id;
    }
}

std::string Relationships::add(std::string_view kind, std::string target) {
    std::string id = fresh_id();
    add_with_id(id, kind, std::move(target));
    return id;
}

void Relationships::add_with_id(std::string id, std::string_view kind, std::string target) {
    items.push_back({std::move(id), std::string(reltype::kBase) + std::string(kind), std::move(target), false});
}

Relationships parse_relationships(const pugi::xml_document& doc) {
    Relationships rels;
    for (auto r : doc.document_element().children()) {
        if (std::string_view(r.name()).ends_with("Relationship"))
            rels.items.push_back({r.attribute("Id").value(), r.attribute("Type").value(), r.attribute("Target").value(),
                                  std::string_view(r.attribute("TargetMode").value()) == "External"});
    }
    return rels;
}

namespace {
void write_relationship(XmlWriter& w, const Relationship& r) {
    w.open("Relationship").attr("Id", r.id).attr("Type", r.type).attr("Target", r.target);
    if (r.external) w.attr("TargetMode", "External");
    w.close();
}
}  // namespace

std::string write_relationships(const Relationships& rels) {
    XmlWriter w;
    w.open("Relationships").attr("xmlns", "http://schemas.openxmlformats.org/package/2006/relationships");
    for (const auto& r : rels.items) write_relationship(w, r);
    return w.take();
}

std::string rels_part_of(std::string_view part) {
    const auto slash = part.rfind('/');
    const std::string_view dir = slash == std::string_view::npos ? std::string_view() : part.substr(0, slash + 1);
    const std::string_view file = slash == std::string_view::npos ? part : part.substr(slash + 1);
    return std::string(dir) + "_rels/" + std::string(file) + ".rels";
}

std::string source_of_rels(std::string_view rels_part) {
    const auto pos = rels_part.rfind("_rels/");
    if (pos == std::string_view::npos || !rels_part.ends_with(".rels")) return {};
    std::string file(rels_part.substr(pos + 6, rels_part.size() - pos - 6 - 5));
    return std::string(rels_part.substr(0, pos)) + file;
}

namespace {
std::string percent_decode(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}
}  // namespace

std::string resolve_target(std::string_view source_part, std::string_view raw_target) {
    const std::string decoded = percent_decode(raw_target);
    const std::string_view target = decoded;
    std::string path;
    if (!target.empty() && target.front() == '/') {
        path = std::string(target.substr(1));
    } else {
        const auto slash = source_part.rfind('/');
        path = (slash == std::string_view::npos ? std::string() : std::string(source_part.substr(0, slash + 1))) +
               std::string(target);
    }
    std::vector<std::string> segs;
    std::size_t start = 0;
    while (start <= path.size()) {
        auto end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string seg = path.substr(start, end - start);
        if (seg == "..") {
            if (segs.empty()) return {};
            segs.pop_back();
        } else if (!seg.empty() && seg != ".") {
            segs.push_back(seg);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& s : segs) out += (out.empty() ? "" : "/") + s;
    return out;
}

std::string relative_target(std::string_view from_part, std::string_view to) {
    const auto slash = from_part.rfind('/');
    std::string_view dir = slash == std::string_view::npos ? std::string_view() : from_part.substr(0, slash + 1);
    std::string up;
    while (!dir.empty() && !to.starts_with(dir)) {
        dir.remove_suffix(1);
        const auto s = dir.rfind('/');
        dir = s == std::string_view::npos ? std::string_view() : dir.substr(0, s + 1);
        up += "../";
    }
    return up + std::string(to.substr(dir.size()));
}

}  // namespace quill::xlsx::detail
