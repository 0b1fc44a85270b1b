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

std::string ContentTypes::type_of(std::string_view part) const {
    const std::string low = lower(part);
    for (const auto& o : overrides)
        if (lower(o.first) == low) return o.second;
    const auto dot = low.rfind('.');
    if (dot != std::string::npos && low.find('/', dot) == std::string::npos)
        for (const auto& d : defaults)
            if (d.first == low.substr(dot + 1)) return d.second;
    return {};
}

std::string extension_mismatch(std::string_view workbook_type, std::string_view file) {
    // The workbook part's types: ECMA-376-1 12.3.23, and the macro-enabled
    // ones Excel adds ([MS-OFFMACRO] 2.1).
    static const std::pair<const char*, const char*> kinds[] = {
        {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"},
        {"xltx", "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml"},
        {"xlsm", "application/vnd.ms-excel.sheet.macroEnabled.main+xml"},
        {"xltm", "application/vnd.ms-excel.template.macroEnabled.main+xml"},
        {"xlam", "application/vnd.ms-excel.addin.macroEnabled.main+xml"},
    };
    const auto dot = file.rfind('.');
    const std::string ext = dot == std::string_view::npos ? std::string() : lower(file.substr(dot + 1));
    const char* named = nullptr;
    const char* holds = nullptr;
    for (const auto& [e, type] : kinds) {
        if (ext == e) named = e;
        if (workbook_type == type) holds = e;
    }
    if (!named || !holds || named == holds) return {};
    return std::string("the workbook is an .") + holds + " but the file is named ." + named +
           ", and Excel will not open it: use the ." + holds + " extension";
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
