#include "platform/xlsx/content_types.h"

#include "platform/xlsx/package.h"
#include "platform/xlsx/xml_writer.h"

namespace quill::xlsx::detail {

std::string image_type(std::string_view ext) {
    if (ext == "jpg" || ext == "jpeg") return "image/jpeg";
    if (ext == "emf") return "image/x-emf";
    if (ext == "wmf") return "image/x-wmf";
    if (ext == "tif" || ext == "tiff") return "image/tiff";
    return "image/" + std::string(ext);
}

bool ContentTypes::has_default(std::string_view ext) const {
    const std::string low = lower(ext);
    for (const auto& d : defaults)
        if (d.first == low) return true;
    return false;
}

void ContentTypes::add_default(std::string ext, std::string type) {
    if (!has_default(ext)) defaults.emplace_back(lower(ext), std::move(type));
}

void ContentTypes::set_override(const std::string& part, std::string type) {
    const std::string low = lower(part);
    for (auto& o : overrides)
        if (lower(o.first) == low) {
            o.second = std::move(type);
            return;
        }
    overrides.emplace_back(part, std::move(type));
}

void ContentTypes::remove_override(std::string_view part) {
    const std::string low = lower(part);
    std::erase_if(overrides, [&](const auto& o) { return lower(o.first) == low; });
}

ContentTypes parse_content_types(const pugi::xml_document& doc) {
    ContentTypes types;
    for (auto e : doc.document_element().children()) {
        const std::string_view name = e.name();
        if (name.ends_with("Default")) {
            types.defaults.emplace_back(lower(e.attribute("Extension").value()), e.attribute("ContentType").value());
        } else if (name.ends_with("Override")) {
            std::string part = e.attribute("PartName").value();
            if (!part.empty() && part.front() == '/') part.erase(0, 1);
            types.overrides.emplace_back(part, e.attribute("ContentType").value());
        }
    }
    return types;
}

namespace {
void write_default(XmlWriter& w, const std::pair<std::string, std::string>& d) {
    w.open("Default").attr("Extension", d.first).attr("ContentType", d.second).close();
}
void write_override(XmlWriter& w, const std::pair<std::string, std::string>& o) {
    w.open("Override").attr("PartName", "/" + o.first).attr("ContentType", o.second).close();
}
}  // namespace

std::string write_content_types(const ContentTypes& types) {
    XmlWriter w;
    w.open("Types").attr("xmlns", "http://schemas.openxmlformats.org/package/2006/content-types");
    for (const auto& d : types.defaults) write_default(w, d);
    for (const auto& o : types.overrides) write_override(w, o);
    return w.take();
}

}  // namespace quill::xlsx::detail
