#pragma once
// What the comment commands share: the options the dialog's check boxes and
// option buttons give them, what a command reports back, and the two small
// ports a command talks through besides the host and the editor.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ports/excel.h"
#include "ports/host_error.h"
#include "ports/picture_loader.h"

namespace quill {

// The dialog's choices as the commands read them. The three ticks are
// check-box values (0 clear, 1 ticked, 2 greyed), compared as the dialog's
// handlers always compared them.
struct CommentOptions {
    std::int32_t transparent = 1;      // Check1: the picture fill half transparent
    std::int32_t overwrite_text = 0;   // Check3
    std::int32_t overwrite_image = 0;  // Check4
    // 1 horizontal, 2 vertical, 3 upward, 4 downward: the first chosen of
    // Orent(1) to Orent(3), else 4.
    std::int32_t orientation = 1;
};

enum class Refusal { ProtectedSheet, CommentFound, NotConfirmed, Cancelled };

// What a command did to the comments; counted per cell.
struct Counts {
    std::int64_t created = 0;  // a new comment
    std::int64_t kept = 0;     // an existing comment reused
    std::int64_t skipped = 0;  // a cell left as it was
    std::int64_t deleted = 0;
    std::int64_t formatted = 0;  // comment characters given the editor's formats
    bool operator==(const Counts&) const = default;
};

struct Outcome {
    enum class Kind { Done, Refused, Failed };
    Kind kind = Kind::Done;
    Counts counts{};
    Refusal reason = Refusal::Cancelled;  // when Refused
    std::u16string existing{};            // when Refused for CommentFound: that comment's text
    std::optional<HostError> error{};     // when Failed
    // The picture last inserted, loaded for the preview (it may be nothing);
    // set even when a later step failed.
    std::optional<std::shared_ptr<const dialog::Picture>> preview{};

    static Outcome Done(Counts c) { return {.kind = Kind::Done, .counts = c}; }
    static Outcome Refused(Refusal r) { return {.kind = Kind::Refused, .reason = r}; }
    static Outcome Failed(HostError e, Counts c = {}) { return {.kind = Kind::Failed, .counts = c, .error = std::move(e)}; }
    bool done() const { return kind == Kind::Done; }
};

// Progress of a command that works cell by cell.
class ProgressPort {
public:
    virtual ~ProgressPort() = default;
    // The text of the cell at `address` is about to be formatted.
    virtual void Formatting(const std::u16string& address) = 0;
    // A picture went into a comment, with text or without.
    virtual void PictureInserted() = 0;
    // The command has finished its cells.
    virtual void Finished() = 0;
};

// The questions a command asks the user. Each may throw HostError when it
// cannot be asked.
class PromptPort {
public:
    virtual ~PromptPort() = default;
    virtual bool ConfirmDeleteOne() = 0;
    virtual bool ConfirmDeleteMany(std::int64_t count) = 0;
};

// The active cell, or nothing. Excel's ActiveCell fails when the window
// shows no worksheet, a chart sheet for one (Application.ActiveCell,
// learn.microsoft.com/office/vba/api/excel.application.activecell): every
// command takes that as "no active cell" and ends without a word.
inline std::shared_ptr<host::Range> active_cell(host::Application& app) {
    try {
        return app.ActiveCell();
    } catch (const HostError&) {
        return nullptr;
    }
}

// Comments on a protected sheet cannot be changed; every command that
// changes them asks this first, about the active cell's sheet.
inline bool sheet_protected(host::Range& active) { return need(active.Parent()).ProtectContents(); }

// The orientation option (CommentOptions::orientation) as the host's
// constant; anything outside 1..3 is downward.
std::int32_t text_orientation(std::int32_t option);

}  // namespace quill
