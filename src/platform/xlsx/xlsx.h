#pragma once
// Loading and saving .xlsx files. See model.h for the document model.
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/xlsx/model.h"

namespace quill::xlsx {

// Every failure to read or write a file: the message names the file and the
// reason. Nothing is written when saving fails.
class XlsxError : public std::runtime_error {
public:
    XlsxError(const std::string& file, const std::string& reason)
        : std::runtime_error(file + ": " + reason), file_(file), reason_(reason) {}
    const std::string& file() const noexcept { return file_; }
    const std::string& reason() const noexcept { return reason_; }

private:
    std::string file_;
    std::string reason_;
};

// Reads the workbook at `path`. Refuses damaged or hostile packages (see
// package.h for the limits).
Workbook load(const std::string& path);
// The same for a file's bytes held in memory; `name` stands for the file in
// messages.
Workbook load_bytes(std::string_view bytes, const std::string& name);

// Writes `workbook` to `path` through a temporary file in the same folder,
// flushed and renamed over the target, so an existing file is never left
// half-written. The target may be the file the workbook was loaded from.
void save(const Workbook& workbook, const std::string& path);
// The file's bytes, for a stream; `name` stands for the file in messages.
std::string save_bytes(const Workbook& workbook, const std::string& name);

// Notes longer than this (UTF-16 units) are refused on save, as Excel caps them.
inline constexpr std::size_t kMaxNoteLength = 32767;

}  // namespace quill::xlsx
