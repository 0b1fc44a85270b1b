#include "cli/session.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/memory/memory_picture_loader.h"
#include "platform/memory/rich_text.h"
#include "platform/xlsx/xlsx.h"

namespace quill::cli {

MsgAnswer TerminalBoxes::Show(const std::u16string& text, MsgButtons buttons, const std::u16string& title) {
    io_.err << to_utf8(text) << '\n';
    const MsgAnswer answer = [&] {
        if (buttons == MsgButtons::OK) return MsgAnswer::OK;
        if (assume_yes_) return MsgAnswer::Yes;
        if (!io_.stdin_is_terminal) return MsgAnswer::No;
        io_.err << "[y/N] " << std::flush;
        std::string line;
        if (!std::getline(io_.in, line)) return MsgAnswer::No;
        return (line == "y" || line == "Y" || line == "yes" || line == "Yes") ? MsgAnswer::Yes : MsgAnswer::No;
    }();
    shown.push_back({text, buttons, title, answer});
    return answer;
}

std::int32_t parse_colour(const std::string& text) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    if (text.size() != 7 || text[0] != '#') throw UsageError("--color wants #RRGGBB, not \"" + text + "\"");
    std::int32_t rgb[3];
    for (int k = 0; k < 3; ++k) {
        const int hi = hex(text[1 + 2 * k]), lo = hex(text[2 + 2 * k]);
        if (hi < 0 || lo < 0) throw UsageError("--color wants #RRGGBB, not \"" + text + "\"");
        rgb[k] = hi * 16 + lo;
    }
    return rgb[0] | (rgb[1] << 8) | (rgb[2] << 16);
}

std::int32_t orientation_index(const std::string& name) {
    static const char* const names[] = {"horizontal", "vertical", "upward", "downward"};
    for (int i = 0; i < 4; ++i)
        if (name == names[i]) return i + 1;
    throw UsageError("--orientation wants horizontal, vertical, upward or downward, not \"" + name + "\"");
}

Session::Session(Io& io, std::shared_ptr<memory::Excel> excel, bool assume_yes)
    : io_(io), excel_(std::move(excel)), boxes_(std::make_shared<TerminalBoxes>(io, assume_yes)) {
    dialog::FormServices services;
    services.messages = boxes_;
    services.make_editor = memory::MakeRichText;
    services.pictures = std::make_shared<memory::MemoryPictureLoader>();
    form_ = std::make_shared<dialog::frmAddIn>(std::move(services));
    form_->set_xlapp(excel_->application());
    form_->Show();  // loads the form: its defaults, as a user would find them
    // Every picture the command puts into a note passes here, with text or
    // without; the log itself need not grow with a long run.
    excel_->log.keep_sequence(false);
    excel_->log.watch("FillFormat.UserPicture", [this] { step_done(); });
    started_ = std::chrono::steady_clock::now();
}

Session::~Session() {
    excel_->log.watch("FillFormat.UserPicture", nullptr);
    if (progress_drawn_) io_.err << '\n';
}

memory::Sheet& Session::use_sheet(const std::optional<std::string>& name) {
    if (excel_->workbooks.empty()) throw UsageError("the workbook has no sheet");
    auto& book = *excel_->workbooks[excel_->active_workbook];
    if (name) {
        for (std::size_t i = 0; i < book.sheets.size(); ++i)
            if (to_utf8(book.sheets[i]->name) == *name) {
                book.active_sheet = i;
                return *(sheet_ = book.sheets[i].get());
            }
        throw UsageError("no sheet named \"" + *name + "\" in the workbook");
    }
    return *(sheet_ = &excel_->sheet());
}

void Session::select(const std::string& cells) {
    if (!sheet_) use_sheet(std::nullopt);
    try {
        sheet_->select(cells);
    } catch (const HostError& e) {
        throw UsageError(to_utf8(e.description()));
    }
}

namespace {
// Enough bytes for the longest note in any UTF-8 spelling, and some slack for
// the line breaks the editor doubles; beyond that the file is refused unread.
constexpr std::size_t kMaxTextFileBytes = xlsx::kMaxNoteLength * 4 + (std::size_t{4} << 20);

std::string read_text_file(const std::string& file) {
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) throw UsageError("the text file \"" + file + "\" is a directory");
    std::ifstream in(file, std::ios::binary);
    if (!in) throw UsageError("cannot read the text file \"" + file + "\"");
    std::string all;
    char chunk[1 << 16];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        all.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (all.size() > kMaxTextFileBytes) break;
    }
    if (in.bad()) throw UsageError("cannot read the text file \"" + file + "\"");
    if (all.size() > kMaxTextFileBytes)
        throw UsageError("the text file \"" + file + "\" is longer than a note can be (" +
                         std::to_string(xlsx::kMaxNoteLength) + " characters)");
    return all;
}
}  // namespace

void check_text_options(TextOptions& t) {
    if (t.text && t.text_file) throw UsageError("give --text or --text-file, not both");
    if (t.text_file) {
        t.text = read_text_file(*t.text_file);
        t.text_file.reset();
    }
    if (t.text && to_u16(*t.text).size() > xlsx::kMaxNoteLength)
        throw UsageError("the text is longer than a note can be (" + std::to_string(xlsx::kMaxNoteLength) +
                         " characters)");
    // Excel's font names are at most 31 characters.
    if (t.font && (t.font->empty() || to_u16(*t.font).size() > 31))
        throw UsageError("--font wants a font name of 1 to 31 characters");
    if (t.color) parse_colour(*t.color);
}

void Session::prepare(const CommandOptions& options) {
    auto& f = *form_;
    f.Check1.Value(options.opaque ? 0 : 1);
    f.Check3.Value(options.overwrite_text ? 1 : 0);
    f.Check4.Value(options.overwrite_image ? 1 : 0);
    const std::int32_t orientation = orientation_index(options.orientation);

    const TextOptions& t = options.text;
    auto& editor = *f.RichTextBox1;
    if (t.text_from) {
        if (!sheet_) use_sheet(std::nullopt);
        const auto saved_selection = sheet_->selection;
        const auto saved_active = sheet_->active_cell;
        select(*t.text_from);
        f.Raise(u"Command4", dialog::Event::Click);
        sheet_->selection = saved_selection;
        sheet_->active_cell = saved_active;
    }
    if (t.text)
        type_text(t, to_u16(*t.text));
    else
        style_text(t);
    if (!editor.Text().empty() && f.Check2.Value() != 1) f.Click(u"Check2");
    f.Orent(orientation).Value(true);
}

void Session::type_text(const TextOptions& t, const std::u16string& text) {
    auto& f = *form_;
    auto& editor = *f.RichTextBox1;
    // Typed text uses LF for Enter only where the editor does: a line
    // break in the editor is CR LF.
    std::u16string typed;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) typed += u'\r';
        typed += text[i];
    }
    editor.Text(u"");
    editor.TypeText(typed);
    style_text(t);
    if (!editor.Text().empty() && f.Check2.Value() != 1) f.Click(u"Check2");
}

void Session::style_text(const TextOptions& t) {
    auto& editor = *form_->RichTextBox1;
    if (t.any_style()) {
        editor.SelStart(0);
        editor.SelLength(static_cast<std::int32_t>(editor.Text().size()));
        if (t.font) editor.SelFontName(to_u16(*t.font));
        if (t.size) editor.SelFontSize(static_cast<float>(*t.size));
        if (t.color) editor.SelColor(parse_colour(*t.color));
        if (t.bold) editor.SelBold(true);
        if (t.italic) editor.SelItalic(true);
        if (t.underline) editor.SelUnderline(true);
        if (t.strike) editor.SelStrikeThru(true);
    }
}

void Session::click(std::u16string_view button) { form_->Click(button); }

bool Session::declined() const {
    return std::any_of(boxes_->shown.begin(), boxes_->shown.end(), [](const Shown& b) { return b.answer == MsgAnswer::No; });
}

Exit Session::outcome() const {
    if (declined()) return kRefused;  // nothing to write
    for (const auto& b : boxes_->shown) {
        if (b.text == u"Please First Remove Sheet Protection." || b.title == u"Comment found") return kRefused;
        if (b.title == u"Quillette" || (b.buttons == MsgButtons::OK && b.title == kAppTitle)) return kUnreadable;
    }
    return kDone;
}

void Session::step_done() {
    ++cells_done_;
    if (!io_.stderr_is_terminal || expected_cells_ == 0) return;
    if (std::chrono::steady_clock::now() - started_ < io_.progress_after) return;
    const std::size_t width = 30;
    const std::size_t done = std::min(cells_done_, expected_cells_);
    const std::size_t filled = done * width / expected_cells_;
    io_.err << "\r[" << std::string(filled, '#') << std::string(width - filled, '.') << "] " << done << '/'
            << expected_cells_ << " cells" << std::flush;
    progress_drawn_ = true;
}

}  // namespace quill::cli
