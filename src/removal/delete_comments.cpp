#include "removal/delete_comments.h"

#include "ports/error_styles.h"
#include "ports/leading_number.h"

namespace quill::removal {

namespace {
// The cells of a range. Count overflows on a whole sheet of Excel 2007 and
// later; CountLarge does not, but Excel 2000 (version 9) does not have it.
std::int64_t cell_count(bool count_large, host::Range& range) {
    const std::shared_ptr<host::Range> cells = range.Cells();
    return count_large ? need(cells).CountLarge() : need(cells).Count();
}
}  // namespace

// Host failures outside the two guarded places below are not trapped: they
// end the command as Failed.
Outcome DeleteComment(const std::shared_ptr<host::Application>& app, PromptPort& prompts) {
    try {
        const std::shared_ptr<host::Range> active = active_cell(need(app));
        if (!active) return Outcome::Done({});
        if (sheet_protected(*active)) return Outcome::Refused(Refusal::ProtectedSheet);

        const std::shared_ptr<host::Range> selection = app->Selection();
        if (!selection) return Outcome::Done({});  // a shape or chart is selected: nothing to delete

        const bool count_large = leading_number(app->Version()) != 9;
        if (cell_count(count_large, *selection) > 1) {
            // The host answers "no cells" with a failure, which means there
            // is simply nothing to ask about.
            std::shared_ptr<host::Range> commented;
            try {
                commented = selection->SpecialCells(host::xlCellTypeComments);
            } catch (...) {
                return Outcome::Done({});
            }
            if (!commented) return Outcome::Done({});
            const std::int64_t count = cell_count(count_large, *commented);
            if (count < 1) return Outcome::Done({});
            if (!prompts.ConfirmDeleteMany(count)) return Outcome::Refused(Refusal::NotConfirmed);
            commented->ClearComments();
            return Outcome::Done({.deleted = count});
        }

        // One cell: every step may fail on its own and the rest still runs.
        // A comment that cannot be read counts as none, so no question is
        // asked about a comment that could not be found.
        std::shared_ptr<host::Comment> comment;
        skip_on_error([&] { comment = active->Comment(); });
        if (!comment) return Outcome::Done({});
        bool yes = false;
        skip_on_error([&] { yes = prompts.ConfirmDeleteOne(); });
        if (!yes) return Outcome::Refused(Refusal::NotConfirmed);
        const bool deleted = skip_on_error([&] { comment->Delete(); });
        return Outcome::Done({.deleted = deleted ? 1 : 0});
    } catch (...) {
        return Outcome::Failed(current_error());
    }
}

}  // namespace quill::removal
