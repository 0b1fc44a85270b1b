#pragma once
// What a loaded workbook remembers of its package, so that saving can write
// only what changed and copy everything else.
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/xlsx/comments.h"
#include "platform/xlsx/content_types.h"
#include "platform/xlsx/model.h"
#include "platform/xlsx/package.h"
#include "platform/xlsx/relationships.h"
#include "platform/xlsx/shared_strings.h"
#include "platform/xlsx/styles.h"
#include "platform/xlsx/vml_drawing.h"
#include "platform/xlsx/workbook.h"

namespace quill::xlsx::detail {

// What reading a part after the load needs: the package as read and the
// workbook-wide parts that give cells and notes their fonts.
struct Reader {
    Package package;
    std::string file;  // for messages
    ThemeColors theme;
    Styles styles;
    bool date1904 = false;
    std::string strings_part;  // "" for none
    std::unordered_map<std::string, Relationships> rels;  // of every part, by lower-case name
    // Read with the first cells that need them.
    const std::vector<StoredString>& strings() const;

private:
    mutable std::shared_ptr<const std::vector<StoredString>> strings_;
};

// The boxes of a sheet's notes, read from its drawing part when the first box
// is used. Reading is never fatal: a drawing that cannot be read leaves the
// notes their default boxes and `error` its reason, and refuses only a save
// that has to change it. It holds no note, so the notes' boxes can point at it.
class NoteBoxes {
public:
    NoteBoxes(std::shared_ptr<const Reader> reader, std::string vml_part, Relationships vml_rels)
        : reader_(std::move(reader)), vml_part_(std::move(vml_part)), vml_rels_(std::move(vml_rels)) {}
    struct Drawing {
        std::shared_ptr<const VmlPart> vml;  // null: no drawing, or `error`
        std::string error;
    };
    const Drawing& drawing() const;
    // The box of the note in that cell, with its picture resolved.
    NoteShape box(std::int32_t row, std::int32_t col) const;

private:
    std::shared_ptr<const Reader> reader_;
    std::string vml_part_;
    Relationships vml_rels_;
    mutable std::shared_ptr<const Drawing> drawing_;
};

// A sheet's comments part as read: its bytes, the document the notes' texts
// are read from on first use, and where each note's element lies.
struct CommentsSource {
    Bytes bytes;
    pugi::xml_document doc;
    CommentsIndex index;
};

// The notes of a sheet as its parts hold them, read on first use.
struct LoadedNotes {
    std::vector<Note> notes;  // saving compares with these
    CommentExtras comment_extras;
    // Both null when the sheet has no notes part.
    std::shared_ptr<const CommentsSource> comments;
    std::shared_ptr<const NoteBoxes> boxes;
};

// Where a sheet's notes are drawn, from its part and relationships.
struct SheetDrawing : SheetHead {
    std::string vml_part;  // "" for none
    Relationships vml_rels;
};

struct SheetSource {
    std::string part;        // the worksheet part
    std::u16string name;
    Relationships rels;      // the sheet's relationships
    std::string comments_part, comments_rel;
    std::shared_ptr<const Reader> reader;  // null for a sheet made in memory

    // Read on first use; all throw Invalid.
    const SheetDrawing& head() const;
    const LoadedNotes& loaded() const;
    std::vector<Cell> cells() const;
    std::vector<RowHeight> rows() const;

private:
    mutable std::shared_ptr<const SheetDrawing> head_;
    mutable std::shared_ptr<const LoadedNotes> loaded_;
    // Kept from reading the cells, which gives the heights for nothing.
    mutable std::shared_ptr<const std::vector<RowHeight>> rows_;
};

struct PackageSource {
    Package package;
    ContentTypes types;
    std::string workbook_type;  // the media type of the workbook part
    std::vector<std::shared_ptr<const SheetSource>> sheets;
};

// `file` names the file read, for the check of its extension.
PackageSource read_package(Package package, std::vector<Sheet>& sheets, bool& date1904, std::string_view file);
// What save writes, as zip bytes; throws Invalid.
std::string package_bytes(const Workbook& workbook);

}  // namespace quill::xlsx::detail
