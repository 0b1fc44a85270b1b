#include <cstdint>
#include <utility>

#include "dialog/frm_add_in.h"
#include "host/error_styles.h"
#include "host/long_strings.h"

namespace quill::dialog {

namespace {

constexpr char16_t kImageFilter[] =
    u"Images (*.emf;*.wmf;*.jpg;*.jpeg;*.jfif;*.jpe;*.png;*.bmp;*.dib;*.rle;*.gif;*.bmz;*.gfa;*.emz),"
    u"*.emf;*.wmf;*.jpg;*.jpeg;*.jfif;*.jpe;*.png;*.bmp;*.dib;*.rle;*.gif;*.bmz;*.gfa;*.emz";
constexpr char16_t kDialogTitle[] = u"Insert Images to selected cell's Comment";
constexpr char16_t kButtonText[] = u"Load Images";
constexpr char16_t kProtected[] = u"Please First Remove Sheet Protection.";
constexpr char16_t kStatus[] = u"Please Wait Formating Text... into Comment cell ";
constexpr char16_t kPreviewTip[] = u"Image of last picture inserted.";
constexpr char16_t kErrorTitle[] = u"Quillette";
constexpr float kTransparency = 0.5f;
constexpr float kScale = 1.75f;

// The first chosen option wins; Orent(4) is never looked at because it is
// what is left when none of the others is chosen.
std::int32_t orientation_of(const OptionGroup& orent) {
    if (orent(1).Value()) return host::msoTextOrientationHorizontal;
    if (orent(2).Value()) return host::msoTextOrientationVertical;
    if (orent(3).Value()) return host::msoTextOrientationUpward;
    return host::msoTextOrientationDownward;
}

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

// Insert Image: pictures into the comments of the selected cells, the k-th
// cell visited taking the k-th file. One trap covers the whole command: a
// failure shows its description and ends the command where it stands, so
// comments done so far, a half-styled comment and the status line all stay
// as they are, and the closing steps do not run.
void frmAddIn::OKButton_Click() {
    trap_and_show(messages(), kErrorTitle, [&] {
        const std::shared_ptr<host::Range> active = active_cell();
        if (!active) return;
        if (need(active->Parent()).ProtectContents()) {
            messages().Show(kProtected, MsgButtons::OK, kAppTitle);
            return;
        }

        auto closing = [&] {
            need(xlapp).DisplayCommentIndicator(host::xlCommentIndicatorOnly);
            need(xlapp).Visible(true);
            Label3.Caption(u"");
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
                return;
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
                const std::int32_t text = Check3.Value(), image = Check4.Value();
                if (text == 1 && image == 1) {
                    comment->Delete();
                    comment = nullptr;
                } else if (text == 0 && image == 0) {
                    skip = true;
                }
            }

            if (!skip) {
                if (!comment) {
                    // Both are read, as the host's runtime evaluates both sides.
                    const bool has_text = !RichTextBox1->Text().empty();
                    const bool enabled = RichTextBox1->Enabled();
                    if (has_text && enabled) {
                        comment = host::add_comment(*cell, getcmt());
                        Label3.Caption(kStatus + cell->Address());
                        InsertFmtText(cell);
                    } else {
                        comment = cell->AddComment(u"");
                    }
                }
                std::shared_ptr<host::Shape> shape = need(comment).Shape();
                if (Check1.Value() == 1) need(need(shape).Fill()).Transparency(kTransparency);
                need(need(shape).TextFrame()).Orientation(orientation_of(Orent));
                shape->ScaleWidth(kScale, host::msoFalse, host::msoScaleFromTopLeft);
                shape->ScaleHeight(kScale, host::msoFalse, host::msoScaleFromTopLeft);
                need(shape->Fill()).UserPicture(entry(files, cursor));
                inserted = true;
            }
            ++cursor;  // skipped cells use up their file too
        }
        cells.reset();

        if (inserted) {
            Image1.Picture(need(services_.pictures).LoadPicture(entry(files, cursor - 1)));
            Image1.ToolTipText(kPreviewTip);
        }
        closing();
    });
}

}  // namespace quill::dialog
