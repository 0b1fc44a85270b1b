#pragma once
// Excel 2000 truncates, or fails with error 1004, a string longer than 255
// characters passed to AddComment, Comment.Text or
// WorksheetFunction.Substitute (Microsoft Knowledge Base article 213841).
// These calls make the host's own call first, so that a host that takes long
// strings sees exactly that call; only when it fails on a longer string do
// they do the work in pieces of at most 255 characters.
#include <memory>
#include <string>

#include "host/excel.h"

namespace quill::host {

inline constexpr std::size_t kShortString = 255;

std::shared_ptr<Comment> add_comment(Range& cell, const std::u16string& text);
void set_comment_text(Comment& comment, const std::u16string& text);
// The pieces never part a CR LF pair (or a surrogate pair), so a rule that
// replaces CR LF sees every pair whole.
std::u16string substitute(WorksheetFunction& wf, const std::u16string& text, const std::u16string& old_text,
                          const std::u16string& new_text);

}  // namespace quill::host
