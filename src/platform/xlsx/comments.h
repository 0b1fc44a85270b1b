#pragma once
// The comments part: authors and the rich text of every note of one sheet.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "platform/xlsx/model.h"
#include "platform/xlsx/styles.h"

namespace quill::xlsx::detail {

struct LoadedComment {
    std::int32_t row = 0, col = 0;
    std::u16string author;
    RunList text;
    // Attributes of <comment> beyond ref and authorId (xr:uid links a note to
    // its threaded comment): written back unchanged.
    std::vector<std::pair<std::string, std::string>> extra;
};

struct CommentsPart {
    std::vector<LoadedComment> comments;
    // Namespace declarations and mc:Ignorable of the root, so the extra
    // attributes stay bound.
    std::vector<std::pair<std::string, std::string>> root_attributes;
};

CommentsPart parse_comments(const pugi::xml_document& doc, const ThemeColors& theme);

// Extra attributes per cell ("B3"), as parse_comments found them.
using CommentExtras = std::map<std::string, std::vector<std::pair<std::string, std::string>>>;

std::string write_comments(const std::vector<Note>& notes, const CommentExtras& extras,
                           const std::vector<std::pair<std::string, std::string>>& root_attributes);

}  // namespace quill::xlsx::detail
