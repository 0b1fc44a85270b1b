#include <string>

#include "dialog/frm_add_in.h"
#include "dialog/leading_number.h"
#include "host/error_styles.h"

namespace quill::dialog {

namespace {
constexpr char16_t kProtected[] = u"Please First Remove Sheet Protection.";
constexpr char16_t kOneCellPrompt[] = u"Do you want to delete comment in the activecell?";
constexpr char16_t kOneCellTitle[] = u"Delete Comment";
constexpr char16_t kManyCellsTitle[] = u"Delete Comments";

// The cells of a range. Count overflows on a whole sheet of Excel 2007 and
// later; CountLarge does not, but Excel 2000 (version 9) does not have it.
std::int64_t cell_count(bool count_large, host::Range& range) {
    const std::shared_ptr<host::Range> cells = range.Cells();
    return count_large ? need(cells).CountLarge() : need(cells).Count();
}

std::u16string many_cells_prompt(std::int64_t count) {
    return u"Do you want to delete all the comments (" + to_u16(std::to_string(count)) + u") from the seleceted cells";
}
}  // namespace

// Delete Comment. Host failures outside the two guarded places below are not
// trapped here; the dispatcher reports them.
void frmAddIn::Command2_Click() {
    host::Application& app = need(xlapp);
    const std::shared_ptr<host::Range> active = active_cell();
    if (!active) return;
    if (need(active->Parent()).ProtectContents()) {
        messages().Show(kProtected, MsgButtons::OK, kAppTitle);
        return;
    }

    const std::shared_ptr<host::Range> selection = app.Selection();
    if (!selection) return;  // a shape or chart is selected: nothing to delete

    const bool count_large = leading_number(app.Version()) != 9;
    if (cell_count(count_large, *selection) > 1) {
        // The host answers "no cells" with a failure, which means there is
        // simply nothing to ask about.
        std::shared_ptr<host::Range> commented;
        try {
            commented = selection->SpecialCells(host::xlCellTypeComments);
        } catch (...) {
            return;
        }
        if (!commented) return;
        const std::int64_t count = cell_count(count_large, *commented);
        if (count >= 1 &&
            messages().Show(many_cells_prompt(count), MsgButtons::YesNo, kManyCellsTitle) == MsgAnswer::Yes)
            commented->ClearComments();
        return;
    }

    // One cell: every step may fail on its own and the rest still runs. A
    // comment that cannot be read counts as none, so no question is asked
    // about a comment that could not be found.
    std::shared_ptr<host::Comment> comment;
    skip_on_error([&] { comment = active->Comment(); });
    if (!comment) return;
    MsgAnswer answer = MsgAnswer::No;
    skip_on_error([&] { answer = messages().Show(kOneCellPrompt, MsgButtons::YesNo, kOneCellTitle); });
    if (answer == MsgAnswer::Yes) skip_on_error([&] { comment->Delete(); });
}

}  // namespace quill::dialog
