// The comments part: parse, write the notes back, and parse that again. What
// the writer makes must be well-formed and keep every note's cell and text.
#include <cstddef>
#include <cstdint>

#include "exercise.h"
#include "platform/xlsx/comments.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quill::xlsx;
    using namespace quill::xlsx::detail;
    const ThemeColors theme = default_theme_colors();
    CommentsPart part;
    try {
        part = parse_comments(parse_xml(std::string(reinterpret_cast<const char*>(data), size), "comments1.xml"), theme);
    } catch (const Invalid&) {
        return 0;
    }
    std::vector<Note> notes;
    CommentExtras extras;
    for (auto& c : part.comments) {
        Note n;
        n.row = c.row;
        n.col = c.col;
        n.author = c.author;
        n.text = c.text;
        extras[cell_name(c.row, c.col)] = c.extra;
        notes.push_back(std::move(n));
    }
    CommentsPart again;
    try {
        again = parse_comments(parse_xml(write_comments(notes, extras, part.root_attributes), "written"), theme);
    } catch (const Invalid& e) {
        quill::fuzz::finding("written comments do not parse", e.what());
    }
    if (again.comments.size() != notes.size()) quill::fuzz::finding("written comments", "note count differs");
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const auto& c = again.comments[i];
        if (c.row != notes[i].row || c.col != notes[i].col || c.author != notes[i].author ||
            plain_text(c.text) != plain_text(notes[i].text))
            quill::fuzz::finding("written comments", ("note " + cell_name(c.row, c.col) + " differs").c_str());
    }
    return 0;
}
