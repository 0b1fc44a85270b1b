#include "cli/app.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <iostream>

#include <unistd.h>

#include "cli/book.h"
#include "cli/listing.h"
#include "cli/session.h"
#include "platform/memory/picture.h"

namespace quill::cli {

namespace fs = std::filesystem;

namespace {

struct Output {
    std::optional<std::string> out;
    bool in_place = false;
};

void add_output(CLI::App& cmd, Output& o) {
    cmd.add_option("-o,--output", o.out, "Write the result to this file");
    cmd.add_flag("--in-place", o.in_place, "Overwrite the input workbook");
}

void add_text_options(CLI::App& cmd, TextOptions& t) {
    cmd.add_option("--text", t.text, "Comment text (UTF-8; tabs and line breaks allowed)");
    cmd.add_option("--text-file", t.text_file, "Read the comment text from a UTF-8 file");
    cmd.add_option("--text-from", t.text_from, "Take the text, with its fonts, from this cell");
    cmd.add_option("--font", t.font, "Font name for the whole text");
    cmd.add_option("--size", t.size, "Font size in points for the whole text (1 to 409)")->check(CLI::Range(1.0, 409.0));
    cmd.add_option("--color", t.color, "Colour #RRGGBB for the whole text");
    cmd.add_flag("--bold", t.bold, "Bold text");
    cmd.add_flag("--italic", t.italic, "Italic text");
    cmd.add_flag("--underline", t.underline, "Underlined text");
    cmd.add_flag("--strike", t.strike, "Struck-through text");
}

void add_comment_options(CLI::App& cmd, CommandOptions& c) {
    cmd.add_option("--sheet", c.sheet, "Sheet to work on (default: the first)");
    cmd.add_flag("--overwrite-text", c.overwrite_text, "Tick \"Overwrite Cmt Text\"");
    cmd.add_flag("--overwrite-image", c.overwrite_image, "Tick \"Overwrite Image\"");
    cmd.add_option("--orientation", c.orientation, "horizontal, vertical, upward or downward")
        ->check(CLI::IsMember({"horizontal", "vertical", "upward", "downward"}));
    add_text_options(cmd, c.text);
}

// Where the result goes; refuses to overwrite the input unless told to, and
// any file a rename cannot sensibly replace. A symbolic link is written
// through, so that the link stays and the file it names changes.
fs::path target_of(const std::string& book, const Output& o) {
    if (o.out && o.in_place) throw UsageError("give -o or --in-place, not both");
    if (!o.in_place && !o.out)
        throw UsageError("refusing to overwrite " + book + ": give -o OUT for a new file or --in-place to replace it");
    std::error_code ec;
    fs::path target = o.in_place ? fs::path(book) : fs::path(*o.out);
    if (!o.in_place && fs::equivalent(target, book, ec))
        throw UsageError("refusing to overwrite " + book + " through -o: give --in-place to replace it");
    const auto status = fs::status(target, ec);
    if (!fs::exists(status)) return target;
    if (!fs::is_regular_file(status))
        throw BookError(target.string() + ": not a regular file, so it cannot be replaced by a workbook");
    if (fs::is_symlink(fs::symlink_status(target, ec))) target = fs::canonical(target, ec);
    if (ec) throw BookError(target.string() + ": " + ec.message());
    if (::access(target.c_str(), W_OK) != 0 || (status.permissions() & fs::perms::owner_write) == fs::perms::none)
        throw BookError(target.string() + ": the file is read-only; make it writable first");
    return target;
}

void check_pictures(const std::vector<std::string>& pictures) {
    for (const auto& p : pictures) {
        try {
            memory::load_picture(to_u16(p));
        } catch (const HostError& e) {
            throw BookError(to_utf8(e.description()));
        }
    }
}

int finish(Session& s, const Book& book, const fs::path& target, Io& io) {
    const Exit outcome = s.outcome();
    if (outcome != kDone) {
        io.err << "quillette: nothing was written\n";
        return outcome;
    }
    save_book(book, target);
    io.out << "wrote " << target.string() << '\n';
    return kDone;
}

}  // namespace

int demo(const std::optional<std::string>& out, Io& io);

int run(const std::vector<std::string>& args, Io io) {
    CLI::App app{"quillette: pictures and formatted text in the notes of .xlsx workbooks", "quillette"};
    app.set_version_flag("--version", std::string("quillette ") + QUILLETTE_VERSION);
    app.require_subcommand(1);

    std::string book;
    Output output;
    CommandOptions options;
    std::string cells;
    std::vector<std::string> pictures;
    bool yes = false, json = false;
    std::optional<std::string> demo_out;

    auto* image = app.add_subcommand("insert-image", "Put pictures into the notes of the selected cells");
    image->add_option("BOOK", book, "Workbook (.xlsx)")->required();
    image->add_option("--cells", cells, "Cells, e.g. B2:B5,D2; the k-th cell gets the k-th picture")->required();
    image->add_option("PICTURE", pictures, "Picture files, in the order of the cells")->required();
    image->add_flag("--opaque", options.opaque, "Clear \"Semi-transparent Image\"");
    add_comment_options(*image, options);
    add_output(*image, output);

    auto* text = app.add_subcommand("insert-text", "Write formatted text into the active cell's note");
    text->add_option("BOOK", book, "Workbook (.xlsx)")->required();
    text->add_option("--cell", cells, "The cell")->required();
    add_comment_options(*text, options);
    add_output(*text, output);

    auto* del = app.add_subcommand("delete-comments", "Delete the notes of the selected cells");
    del->add_option("BOOK", book, "Workbook (.xlsx)")->required();
    del->add_option("--cells", cells, "Cells, e.g. B2:D9")->required();
    del->add_option("--sheet", options.sheet, "Sheet to work on (default: the first)");
    del->add_flag("--yes", yes, "Answer Yes to the confirmation");
    add_output(*del, output);

    auto* list = app.add_subcommand("list", "List the notes of a workbook");
    list->add_option("BOOK", book, "Workbook (.xlsx)")->required();
    list->add_flag("--json", json, "JSON instead of a table");

    auto* dm = app.add_subcommand("demo", "Build a demonstration workbook from embedded pictures");
    dm->add_option("-o,--output", demo_out, "Output file (default demo.xlsx)");

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, io.out, io.err);
        return code == 0 ? kDone : kUsage;
    }

    try {
        if (dm->parsed()) return demo(demo_out, io);
        if (list->parsed()) {
            const Book wb = open_book(book);
            if (json)
                write_json(*wb.excel, [&](std::size_t s, std::int32_t r, std::int32_t c) { return picture_part(wb, s, r, c); }, io.out);
            else
                write_table(*wb.excel, io.out);
            return kDone;
        }
        const fs::path target = target_of(book, output);
        check_text_options(options.text);
        if (image->parsed()) check_pictures(pictures);
        const Book wb = open_book(book);
        auto& excel = wb.excel;
        Session s(io, excel, yes);
        s.use_sheet(options.sheet);
        if (image->parsed()) {
            s.prepare(options);
            s.select(cells);
            // The command moves the first file it is given to the end; hand
            // the list over rotated so that the first picture named goes to
            // the first cell.
            std::vector<std::u16string> chosen;
            if (!pictures.empty()) chosen.push_back(to_u16(pictures.back()));
            for (std::size_t i = 0; i + 1 < pictures.size(); ++i) chosen.push_back(to_u16(pictures[i]));
            excel->scripted_files().choose(chosen, 1);
            s.expect_cells(std::min<std::size_t>(pictures.size(), static_cast<std::size_t>(excel->application()->Selection()->Count())));
            s.click(u"OKButton");
        } else if (text->parsed()) {
            s.prepare(options);
            s.select(cells);
            s.click(u"Command3");
        } else if (del->parsed()) {
            if (!yes && !io.stdin_is_terminal) {
                io.err << "quillette: refusing to delete without --yes when stdin is not a terminal\n";
                return kRefused;
            }
            s.select(cells);
            s.click(u"Command2");
        }
        return finish(s, wb, target, io);
    } catch (const UsageError& e) {
        io.err << "quillette: " << e.what() << '\n';
        return kUsage;
    } catch (const BookError& e) {
        io.err << "quillette: " << e.what() << '\n';
        return kUnreadable;
    } catch (const HostError& e) {
        io.err << "quillette: " << to_utf8(e.description()) << '\n';
        return kUnreadable;
    }
}

}  // namespace quill::cli
