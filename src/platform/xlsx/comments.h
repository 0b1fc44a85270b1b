#pragma once
// The comments part: authors and the rich text of every note of one sheet.
#include <map>
#include <optional>
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

// The part's comments with their texts left unread, and where each element
// starts in the bytes the document was parsed from, so that a save can copy
// the notes that did not change and write only the others.
struct IndexedComment {
    std::int32_t row = 0, col = 0;
    std::size_t author = 0;  // index into CommentsIndex::authors; past its end: no author
    pugi::xml_node text;     // <text>, read by comment_text
    std::vector<std::pair<std::string, std::string>> extra;
    std::ptrdiff_t start = -1;  // the '<' of <comment>; -1 when unknown
};
struct CommentsIndex {
    std::vector<std::u16string> authors;
    std::vector<IndexedComment> comments;
    std::vector<std::pair<std::string, std::string>> root_attributes;
    bool patchable = false;  // the default namespace is the main one and no <comment> has a prefix
};
CommentsIndex index_comments(const pugi::xml_document& doc);
RunList comment_text(pugi::xml_node text, const ThemeColors& theme);

// Extra attributes per cell ("B3"), as parse_comments found them.
using CommentExtras = std::map<std::string, std::vector<std::pair<std::string, std::string>>>;

std::string write_comments(const std::vector<Note>& notes, const CommentExtras& extras,
                           const std::vector<std::pair<std::string, std::string>>& root_attributes);

// The part as it was read (`original`, indexed as `index`, its notes `before`)
// with the elements of the notes that changed written anew and every other
// byte kept. Nothing when that cannot be done safely: notes added, removed or
// moved, an author the part does not list, or markup (a CDATA section, an
// XML comment, a processing instruction) that the scan for element ends
// cannot see through; the caller then writes the part whole.
std::optional<std::string> patch_comments(const std::string& original, const CommentsIndex& index,
                                          const std::vector<Note>& before, const std::vector<Note>& now,
                                          const CommentExtras& extras);

}  // namespace quill::xlsx::detail
