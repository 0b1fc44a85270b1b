#pragma once
// Insert Image: pictures into the comments of the selected cells, the k-th
// cell visited taking the k-th file the host's file dialog returns.
#include <memory>

#include "ports/code_page.h"
#include "ports/command.h"
#include "ports/editor.h"
#include "ports/excel.h"
#include "ports/picture_loader.h"

namespace quill::images {

// The editor's text goes into each new comment when the editor is on and
// holds text. Refused for a protected sheet; the file dialog's cancel ends
// the command as Done with nothing counted.
Outcome InsertImage(const std::shared_ptr<host::Application>& app, dialog::RichTextEditor& editor,
                    const CommentOptions& options, const std::shared_ptr<dialog::PictureLoader>& pictures,
                    ProgressPort& progress, const CodePage& page = windows_1252());

}  // namespace quill::images
