#pragma once
// Relationship parts (*.rels): who points at which part.
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace quill::xlsx::detail {

namespace reltype {
inline constexpr const char* kBase = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
inline constexpr const char* kOfficeDocument = "officeDocument";
inline constexpr const char* kWorksheet = "worksheet";
inline constexpr const char* kSharedStrings = "sharedStrings";
inline constexpr const char* kStyles = "styles";
inline constexpr const char* kTheme = "theme";
inline constexpr const char* kComments = "comments";
inline constexpr const char* kVmlDrawing = "vmlDrawing";
inline constexpr const char* kImage = "image";
}  // namespace reltype

struct Relationship {
    std::string id;
    std::string type;    // the full type URI
    std::string target;  // as written (relative to the source part's folder, or absolute)
    bool external = false;
    // True when the type ends in "/<kind>", for transitional and strict URIs alike.
    bool is(std::string_view kind) const;
    bool operator==(const Relationship&) const = default;
};

struct Relationships {
    std::vector<Relationship> items;
    const Relationship* find(std::string_view id) const;
    const Relationship* first(std::string_view kind) const;
    void remove(std::string_view id);
    // Adds a relationship of `kind` (a reltype constant) with a fresh id.
    std::string add(std::string_view kind, std::string target);
    void add_with_id(std::string id, std::string_view kind, std::string target);
    std::string fresh_id() const;
    bool operator==(const Relationships&) const = default;
};

Relationships parse_relationships(const pugi::xml_document& doc);
std::string write_relationships(const Relationships& rels);

// "xl/worksheets/sheet1.xml" -> "xl/worksheets/_rels/sheet1.xml.rels"; "" -> "_rels/.rels".
std::string rels_part_of(std::string_view part);
// The part a rels part describes (inverse of rels_part_of); "" for the package.
std::string source_of_rels(std::string_view rels_part);
// The part name a target of `source_part` refers to, or "" when it escapes the package.
std::string resolve_target(std::string_view source_part, std::string_view target);
// A target for `to` as written from `from_part`: relative with ".." as needed.
std::string relative_target(std::string_view from_part, std::string_view to);

}  // namespace quill::xlsx::detail
