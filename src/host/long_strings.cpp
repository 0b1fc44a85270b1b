#include "host/long_strings.h"

#include <vector>

#include "host/host_error.h"

namespace quill::host {

namespace {

std::vector<std::u16string> pieces(const std::u16string& text) {
    std::vector<std::u16string> out;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = std::min(at + kShortString, text.size());
        if (end < text.size()) {
            const char16_t last = text[end - 1];
            if ((last == u'\r' && text[end] == u'\n') || (last >= 0xD800 && last <= 0xDBFF)) --end;
        }
        out.push_back(text.substr(at, end - at));
        at = end;
    }
    return out;
}

// The host's call, when it either succeeds or the string was short anyway;
// false when the piecewise road must be taken.
template <class Call>
bool whole(const std::u16string& text, Call&& call) {
    try {
        call();
        return true;
    } catch (const HostError&) {
        if (text.size() <= kShortString) throw;
        return false;
    }
}

void write_in_pieces(Comment& comment, const std::u16string& text) {
    std::int32_t start = 1;
    for (const std::u16string& piece : pieces(text)) {
        if (start == 1) comment.Text(piece);
        else comment.Text(piece, start, false);
        start += static_cast<std::int32_t>(piece.size());
    }
}

}  // namespace

std::shared_ptr<Comment> add_comment(Range& cell, const std::u16string& text) {
    std::shared_ptr<Comment> comment;
    if (whole(text, [&] { comment = cell.AddComment(text); })) return comment;
    comment = cell.AddComment(u"");
    write_in_pieces(need(comment), text);
    return comment;
}

void set_comment_text(Comment& comment, const std::u16string& text) {
    if (!whole(text, [&] { comment.Text(text); })) write_in_pieces(comment, text);
}

std::u16string substitute(WorksheetFunction& wf, const std::u16string& text, const std::u16string& old_text,
                          const std::u16string& new_text) {
    std::u16string out;
    if (whole(text, [&] { out = wf.Substitute(text, old_text, new_text); })) return out;
    for (const std::u16string& piece : pieces(text)) out += wf.Substitute(piece, old_text, new_text);
    return out;
}

}  // namespace quill::host
