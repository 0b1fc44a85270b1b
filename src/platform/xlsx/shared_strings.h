#pragma once
// The shared strings part: the texts of string cells, some with rich runs.
#include <optional>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "platform/xlsx/styles.h"

namespace quill::xlsx::detail {

// A string as stored: runs whose properties apply over the cell's font; a
// run without properties (or a plain string) shows in the cell's font.
struct StoredRun {
    std::u16string text;
    std::optional<FontPatch> props;
};
using StoredString = std::vector<StoredRun>;

// The text of an <si> or <is> (rich runs or one <t>), phonetic hints left out.
StoredString parse_string_item(pugi::xml_node item, const ThemeColors& theme);
std::vector<StoredString> parse_shared_strings(const pugi::xml_document& doc, const ThemeColors& theme);

RunList apply_fonts(const StoredString& s, const CharFont& cell_font);
std::u16string plain(const StoredString& s);

// The text content of a <t> element with Excel's _xHHHH_ escapes decoded.
std::u16string element_text(pugi::xml_node t);

}  // namespace quill::xlsx::detail
