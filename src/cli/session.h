#pragma once
// One run of the dialog over a workbook, as the command line drives it: the
// form with the portable editor, message boxes answered on the terminal (or
// by --yes) and written to stderr, and a record of what the form said.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/app.h"
#include "dialog/frm_add_in.h"
#include "platform/memory/workbook.h"

namespace quill::cli {

struct Shown {
    std::u16string text;
    MsgButtons buttons;
    std::u16string title;
    MsgAnswer answer = MsgAnswer::OK;
};

class TerminalBoxes final : public MessageBoxPort {
public:
    TerminalBoxes(Io& io, bool assume_yes) : io_(io), assume_yes_(assume_yes) {}
    MsgAnswer Show(const std::u16string& text, MsgButtons buttons, const std::u16string& title) override;
    std::vector<Shown> shown;

private:
    Io& io_;
    bool assume_yes_;
};

// The text and its style, from the shared text options.
struct TextOptions {
    std::optional<std::string> text;
    std::optional<std::string> text_file;
    std::optional<std::string> text_from;  // a cell of the sheet
    std::optional<std::string> font;
    std::optional<double> size;
    std::optional<std::string> color;  // #RRGGBB
    bool bold = false, italic = false, underline = false, strike = false;
    bool any_style() const { return font || size || color || bold || italic || underline || strike; }
};

struct CommandOptions {
    std::optional<std::string> sheet;
    bool opaque = false;
    bool overwrite_text = false;
    bool overwrite_image = false;
    std::string orientation = "horizontal";
    TextOptions text;
};

// Throws UsageError for arguments that name nothing usable.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Session {
public:
    Session(Io& io, std::shared_ptr<memory::Excel> excel, bool assume_yes = false);
    ~Session();

    memory::Sheet& use_sheet(const std::optional<std::string>& name);
    // Ticks and orientation; the editor's text when the options give one
    // (ticking "Use Comment Text" then).
    void prepare(const CommandOptions& options);
    // Replaces the editor's text, styled as the options say, and ticks "Use
    // Comment Text" when there is any.
    void type_text(const TextOptions& t, const std::u16string& text);
    void style_text(const TextOptions& t);  // the whole of the editor's text
    void select(const std::string& cells);
    // Clicks a button the way the user does; the boxes shown meanwhile decide
    // the outcome.
    void click(std::u16string_view button);
    // kDone, or why the command did not do its work.
    Exit outcome() const;
    // Progress on stderr, when stderr is a terminal and the work takes longer
    // than a second: a step is done at each picture put into a note, and
    // wherever the caller says so.
    void expect_cells(std::size_t n) { expected_cells_ = n; }
    void step_done();

    // Whether a Yes/No question was answered No.
    bool declined() const;
    const memory::Sheet& sheet() const { return *sheet_; }
    dialog::frmAddIn& form() { return *form_; }
    memory::Excel& excel() { return *excel_; }
    const std::vector<Shown>& shown() const { return boxes_->shown; }

private:
    Io& io_;
    std::shared_ptr<memory::Excel> excel_;
    std::shared_ptr<TerminalBoxes> boxes_;
    std::shared_ptr<dialog::frmAddIn> form_;
    memory::Sheet* sheet_ = nullptr;
    std::size_t expected_cells_ = 0;
    std::size_t cells_done_ = 0;
    std::chrono::steady_clock::time_point started_;
    bool progress_drawn_ = false;
};

// Reads --text-file into the text and checks the text and font against
// Excel's limits, before any workbook is opened; UsageError.
void check_text_options(TextOptions& t);

std::int32_t parse_colour(const std::string& text);  // "#RRGGBB" -> 0x00BBGGRR; UsageError
std::int32_t orientation_index(const std::string& name);  // 1..4; UsageError

}  // namespace quill::cli
