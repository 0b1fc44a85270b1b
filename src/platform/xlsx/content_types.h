#pragma once
// [Content_Types].xml: the media type of every part, by extension or by name.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <pugixml.hpp>

namespace quill::xlsx::detail {

namespace ctype {
inline constexpr const char* kRels = "application/vnd.openxmlformats-package.relationships+xml";
inline constexpr const char* kXml = "application/xml";
inline constexpr const char* kVml = "application/vnd.openxmlformats-officedocument.vmlDrawing";
inline constexpr const char* kComments = "application/vnd.openxmlformats-officedocument.spreadsheetml.comments+xml";
inline constexpr const char* kWorkbook =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
inline constexpr const char* kWorksheet =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
inline constexpr const char* kStyles = "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
}  // namespace ctype

// The media type of a picture extension ("png" -> "image/png").
std::string image_type(std::string_view extension);

struct ContentTypes {
    std::vector<std::pair<std::string, std::string>> defaults;   // extension (lower case) -> type
    std::vector<std::pair<std::string, std::string>> overrides;  // part name without "/" -> type

    bool has_default(std::string_view extension) const;
    std::string type_of(std::string_view part) const;  // the override, else the default; "" for none
    void add_default(std::string extension, std::string type);  // unless one exists
    void set_override(const std::string& part, std::string type);
    void remove_override(std::string_view part);
    bool operator==(const ContentTypes&) const = default;
};

ContentTypes parse_content_types(const pugi::xml_document& doc);

// Why Excel would refuse a file named `file` whose workbook part has the media
// type `workbook_type` (an .xlsm saved as .xlsx, or the reverse); "" when the
// name fits or either side is unknown.
std::string extension_mismatch(std::string_view workbook_type, std::string_view file);
// The media type of a binary (.xlsb) workbook part.
inline constexpr std::string_view kBinaryWorkbook = "application/vnd.ms-excel.sheet.binary.macroEnabled.main";
std::string write_content_types(const ContentTypes& types);

}  // namespace quill::xlsx::detail
