#include <cstdint>
#include <utility>

#include "images/insert_image.h"
#include "ports/long_strings.h"

#include "commenttext/commenttext.h"

namespace quill::images {

namespace {

constexpr char16_t kImageFilter[] =
    u"Images (*.emf;*.wmf;*.jpg;*.jpeg;*.jfif;*.jpe;*.png;*.bmp;*.dib;*.rle;*.gif;*.bmz;*.gfa;*.emz),"
    u"*.emf;*.wmf;*.jpg;*.jpeg;*.jfif;*.jpe;*.png;*.bmp;*.dib;*.rle;*.gif;*.bmz;*.gfa;*.emz";
constexpr char16_t kDialogTitle[] = u"Insert Images to selected cell's Comment";
constexpr char16_t kButtonText[] = u"Load Images";
constexpr float kTransparency = 0.5f;
constexpr float kScale = 1.75f;

// Element `index` of the list, addressed by the host's own bounds.
const std::u16string& entry(const host::FileList& files, std::int64_t index) {
    if (index < files.lowerBound || index > files.upperBound()) throw HostError(9, u"Subscript out of range");
    return files.paths[static_cast<std::size_t>(index - files.lowerBound)];
}

// The file dialog's first name is the one the user clicked last, so it moves
// to the end: A, B, C become B, C, A.
void move_first_to_end(host::FileList& files) {
    const std::int64_t lower = files.lowerBound, upper = files.upperBound();
    if (upper < lower) return;
    std::u16string first = std::move(files.paths.front());
    for (std::int64_t k = lower; k < upper; ++k)
        files.paths[static_cast<std::size_t>(k - lower)] = std::move(files.paths[static_cast<std::size_t>(k + 1 - lower)]);
    files.paths.back() = std::move(first);
}

}  // namespace

// One trap covers the whole command: a failure ends it where it stands, so
// comments done so far, a half-styled comment and the progress shown all stay
// as they are, and the closing steps do not run.
Outcome InsertImage(const std::shared_ptr<host::Application>& xlapp, dialog::RichTextEditor& editor,
                    const CommentOptions& options, const std::shared_ptr<dialog::PictureLoader>& pictures,
                    ProgressPort& progress, const CodePage& page) {
    Outcome outcome;
    Counts& counts = outcome.counts;
    try {
        const std::shared_ptr<host::Range> active = active_cell(need(xlapp));
        if (!active) return outcome;
        if (sheet_protected(*active)) return Outcome::Refused(Refusal::ProtectedSheet);

        auto closing = [&] {
            need(xlapp).DisplayCommentIndicator(host::xlCommentIndicatorOnly);
            need(xlapp).Visible(true);
            progress.Finished();
        };

        // A failing file dialog is cleared and the command goes on with no
        // files at all: the loop below then leaves at its first cell, nothing
        // is paired or inserted, and only the closing steps show that the
        // command ran. A selection that is not a range still fails as usual.
        host::FileList files{1, {}};
        try {
            std::optional<host::FileList> chosen =
                need(xlapp).GetOpenFilename(kImageFilter, std::nullopt, kDialogTitle, kButtonText, true);
            if (!chosen) {
                closing();
                return outcome;
            }
            files = std::move(*chosen);
        } catch (...) {
            files = host::FileList{1, {}};
        }

        move_first_to_end(files);

        std::shared_ptr<host::Range> selection = need(xlapp).Selection();
        if (!selection) throw err::TypeMismatch();
        const std::int64_t entries = static_cast<std::int64_t>(files.upperBound()) - files.lowerBound + 1;
        std::int64_t cursor = files.lowerBound;
        std::int64_t visited = 0;
        bool inserted = false;

        // The host hands out the cells area by area, each area row by row;
        // that order is the pairing order of cells and files.
        std::unique_ptr<host::CellEnumerator> cells = selection->NewEnum();
        while (std::shared_ptr<host::Range> cell = need(cells).Next()) {
            if (++visited > entries) break;

            std::shared_ptr<host::Comment> comment = cell->Comment();
            bool skip = false;
            if (comment) {
                if (options.overwrite_text == 1 && options.overwrite_image == 1) {
                    comment->Delete();
                    comment = nullptr;
                    ++counts.deleted;
                } else if (options.overwrite_text == 0 && options.overwrite_image == 0) {
                    skip = true;
                }
            }

            if (skip) {
                ++counts.skipped;
            } else {
                if (comment) {
                    ++counts.kept;
                } else {
                    // Both are read, as the host's runtime evaluates both sides.
                    const bool has_text = !editor.Text().empty();
                    const bool enabled = editor.Enabled();
                    if (has_text && enabled) {
                        comment = host::add_comment(*cell, commenttext::getcmt(xlapp, editor));
                        progress.Formatting(cell->Address());
                        const Outcome formatted = commenttext::InsertFmtText(xlapp, editor, cell, page);
                        if (formatted.error) throw *formatted.error;
                        counts.formatted += formatted.counts.formatted;
                    } else {
                        comment = cell->AddComment(u"");
                    }
                    ++counts.created;
                }
                std::shared_ptr<host::Shape> shape = need(comment).Shape();
                if (options.transparent == 1) need(need(shape).Fill()).Transparency(kTransparency);
                need(need(shape).TextFrame()).Orientation(text_orientation(options.orientation));
                shape->ScaleWidth(kScale, host::msoFalse, host::msoScaleFromTopLeft);
                shape->ScaleHeight(kScale, host::msoFalse, host::msoScaleFromTopLeft);
                need(shape->Fill()).UserPicture(entry(files, cursor));
                inserted = true;
                progress.PictureInserted();
            }
            ++cursor;  // skipped cells use up their file too
        }
        cells.reset();

        if (inserted) outcome.preview = need(pictures).LoadPicture(entry(files, cursor - 1));
        closing();
        return outcome;
    } catch (...) {
        Outcome failed = Outcome::Failed(current_error(), counts);
        failed.preview = std::move(outcome.preview);
        return failed;
    }
}

}  // namespace quill::images
