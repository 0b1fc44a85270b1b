#pragma once
// Element lookup by local name: files bind the spreadsheet and VML namespaces
// to whatever prefix they like, so parsers compare the part after the colon.
#include <cstring>
#include <string_view>

#include <pugixml.hpp>

namespace quill::xlsx::detail {

inline std::string_view local(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

// The first child element whose local name is `name`, or an empty node.
inline pugi::xml_node child(pugi::xml_node n, std::string_view name) {
    for (auto c : n.children())
        if (local(c.name()) == name) return c;
    return {};
}

}  // namespace quill::xlsx::detail
