#include "cli/app.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>

#include <unistd.h>

#include "cli/book.h"
#include "cli/listing.h"
#include "cli/pairing.h"
#include "cli/session.h"
#include "platform/memory/picture.h"
#include "platform/xlsx/model.h"

namespace quill::cli {

namespace fs = std::filesystem;

namespace {

// A workbook read from standard input may be this large.
constexpr std::size_t kMaxStreamedBook = std::size_t{1} << 30;

struct Output {
    std::optional<std::string> out;
    bool in_place = false;
    bool dry_run = false;
    bool strict = false;
};

void add_output(CLI::App& cmd, Output& o) {
    cmd.add_option("-o,--output", o.out, "Write the result to this file (- for standard output)");
    cmd.add_flag("--in-place", o.in_place, "Overwrite the input workbook");
    cmd.add_flag("--dry-run", o.dry_run, "Run the command, tell what would change, write nothing");
    cmd.add_flag("--strict", o.strict, "Treat warnings as failures: exit 1 and write nothing");
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

void add_comment_options(CLI::App& cmd, CommandOptions& c, std::optional<std::string>& author) {
    cmd.add_option("--sheet", c.sheet, "Sheet to work on (default: the first)");
    cmd.add_flag("--overwrite-text", c.overwrite_text, "Tick \"Overwrite Cmt Text\"");
    cmd.add_flag("--overwrite-image", c.overwrite_image, "Tick \"Overwrite Image\"");
    cmd.add_option("--orientation", c.orientation, "horizontal, vertical, upward or downward")
        ->check(CLI::IsMember({"horizontal", "vertical", "upward", "downward"}));
    cmd.add_option("--author", author, "Author of new notes (default: Quillette User)");
    add_text_options(cmd, c.text);
}

// Where the result goes: a file, or standard output for "-".
struct Target {
    fs::path file;
    bool to_stdout = false;
    bool none = false;  // a dry run without -o or --in-place
};

// Refuses to overwrite the input unless told to, and any file a rename cannot
// sensibly replace. A symbolic link is written through, so that the link stays
// and the file it names changes.
Target target_of(const std::string& book, const Output& o, const Io& io) {
    if (o.out && o.in_place) throw UsageError("give -o or --in-place, not both");
    if (!o.in_place && !o.out) {
        if (o.dry_run) return {{}, false, true};
        throw UsageError("refusing to overwrite " + book + ": give -o OUT for a new file or --in-place to replace it");
    }
    if (o.in_place && book == "-") throw UsageError("--in-place needs a file, not standard input: give -o");
    if (o.out && *o.out == "-") {
        if (io.stdout_is_terminal) throw UsageError("refusing to write a workbook to a terminal: redirect standard output");
        return {{}, true, false};
    }
    std::error_code ec;
    fs::path target = o.in_place ? fs::path(book) : fs::path(*o.out);
    if (!o.in_place && book != "-" && fs::equivalent(target, book, ec))
        throw UsageError("refusing to overwrite " + book + " through -o: give --in-place to replace it");
    const auto status = fs::status(target, ec);
    if (!fs::exists(status)) return {target};
    if (!fs::is_regular_file(status))
        throw BookError(target.string() + ": not a regular file, so it cannot be replaced by a workbook");
    if (fs::is_symlink(fs::symlink_status(target, ec))) target = fs::canonical(target, ec);
    if (ec) throw BookError(target.string() + ": " + ec.message());
    if (::access(target.c_str(), W_OK) != 0 || (status.permissions() & fs::perms::owner_write) == fs::perms::none)
        throw BookError(target.string() + ": the file is read-only; make it writable first");
    return {target};
}

Book read_book(const std::string& book, Io& io, const Scope& scope) {
    if (book != "-") return open_book(book, scope);
    std::string bytes;
    char chunk[1 << 16];
    while (io.in.read(chunk, sizeof chunk) || io.in.gcount() > 0) {
        bytes.append(chunk, static_cast<std::size_t>(io.in.gcount()));
        if (bytes.size() > kMaxStreamedBook) throw BookError("standard input: more than 1 GiB");
    }
    return open_book_bytes(bytes, "standard input", scope);
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

std::string where(const memory::Excel& excel, std::size_t sheet, std::int32_t row, std::int32_t col) {
    return to_utf8(excel.workbooks[excel.active_workbook]->sheets[sheet]->name) + "!" +
           memory::cell_name({row + 1, col + 1});
}

// What one run of a writing command did and what it left undone.
struct Report {
    std::vector<std::string> warnings;
    void warn(std::string w) { warnings.push_back(std::move(w)); }
};

// Cells of the insert-image pairing that kept the note they had: neither
// overwrite flag was given.
void warn_skipped(Report& report, const Book& book, const xlsx::Workbook& after, std::size_t sheet,
                  const std::vector<memory::CellRef>& visited) {
    const auto changed = changes(book, after);
    for (const auto& at : visited) {
        const bool had = book.document->sheets[sheet].find_note(at.row - 1, at.column - 1) != nullptr;
        const bool touched = std::any_of(changed.begin(), changed.end(), [&](const Change& c) {
            return c.sheet == sheet && c.row == at.row - 1 && c.col == at.column - 1;
        });
        if (had && !touched)
            report.warn(memory::cell_name(at) +
                        " already has a note and kept it: --overwrite-image puts the picture into it, "
                        "--overwrite-image with --overwrite-text replaces it");
    }
}

void warn_repeats(Report& report, const std::vector<memory::CellRef>& cells) {
    std::set<memory::CellRef> seen, told;
    for (const auto& c : cells)
        if (!seen.insert(c).second && told.insert(c).second)
            report.warn(memory::cell_name(c) + " is given more than once");
}

std::string plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

int write_result(const Book& book, const xlsx::Workbook& after, const Target& target, const Output& o,
                 const Report& report, Exit outcome, Io& io) {
    for (const auto& w : report.warnings) io.err << "quillette: warning: " << w << '\n';
    if (outcome == kDone && o.strict && !report.warnings.empty()) {
        io.err << "quillette: --strict: nothing was written\n";
        return kRefused;
    }
    if (outcome != kDone) {
        io.err << "quillette: nothing was written\n";
        return outcome;
    }
    const auto changed = changes(book, after);
    if (o.dry_run) {
        static const char* const verbs[] = {"add", "change", "delete"};
        std::ostream& say = target.to_stdout ? io.err : io.out;
        for (const auto& c : changed)
            say << "would " << verbs[c.kind] << " the note of " << where(*book.excel, c.sheet, c.row, c.col) << '\n';
        say << "dry run: " << plural(changed.size(), "note", "notes") << " would change, nothing was written\n";
        return kDone;
    }
    if (target.to_stdout) {
        const std::string bytes = document_bytes(after);
        io.out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        io.out.flush();
        return kDone;
    }
    save_document(after, target.file);
    io.out << "wrote " << target.file.string() << " (" << plural(changed.size(), "note", "notes") << " changed)\n";
    return kDone;
}

// The line that tells how to get past a refusal; from the workbook, not from
// what the box said.
void hint_refusal(const Session& s, bool text_command, Io& io) {
    if (s.declined()) return;
    if (s.sheet().protect_contents)
        io.err << "quillette: the sheet is protected: unprotect it (in Excel: Review > Unprotect Sheet) and run again\n";
    else if (text_command)
        io.err << "quillette: give --overwrite-text to replace the note\n";
}

int extract_images(const std::string& book_name, const std::string& out_dir, const std::optional<std::string>& sheet_name,
                   const std::optional<std::string>& cells, bool dry_run, Io& io) {
    const Book book = read_book(book_name, io, {Scope::Notes, sheet_name});
    std::error_code ec;
    if (!dry_run) fs::create_directories(out_dir, ec);
    if (!dry_run && !fs::is_directory(out_dir, ec)) throw BookError(out_dir + ": not a folder and cannot be made one");
    auto safe = [](std::string name) {
        for (auto& ch : name) {
            const auto c = static_cast<unsigned char>(ch);
            if (c < 0x20 || c == 0x7F || std::string_view("/\\:*?\"<>|").find(ch) != std::string_view::npos) ch = '_';
        }
        if (!name.empty() && name[0] == '.') name[0] = '_';
        return name;
    };
    std::size_t written = 0;
    bool found_sheet = !sheet_name;
    for (auto& sheet : book.excel->workbooks[book.excel->active_workbook]->sheets) {
        const std::string name = to_utf8(sheet->name);
        if (sheet_name && name != *sheet_name) continue;
        found_sheet = true;
        std::vector<memory::Area> areas;
        try {
            if (cells) areas = memory::parse_areas(*cells);
        } catch (const HostError& e) {
            throw UsageError(to_utf8(e.description()));
        }
        for (const auto& [at, c] : sheet->comments()) {
            if (!c->fill.picture) continue;
            // clang 14, the fuzz preset's compiler, cannot capture a
            // structured binding in a lambda.
            const auto& cell = at;
            if (cells && std::none_of(areas.begin(), areas.end(), [&](const memory::Area& a) { return a.contains(cell); }))
                continue;
            const auto& pic = *c->fill.picture;
            const fs::path file = fs::path(out_dir) / safe(name + "_" + memory::cell_name(at) + "." + memory::extension_of(pic.info.format));
            if (fs::exists(fs::symlink_status(file, ec)) && !fs::is_regular_file(fs::symlink_status(file, ec)))
                throw BookError(file.string() + ": not a regular file, so it is left alone");
            ++written;
            if (dry_run) {
                io.out << "would write " << file.string() << '\n';
                continue;
            }
            std::ofstream f(file, std::ios::binary | std::ios::trunc);
            f.write(reinterpret_cast<const char*>(pic.bytes.data()), static_cast<std::streamsize>(pic.bytes.size()));
            if (!f.flush()) throw BookError(file.string() + ": cannot be written");
            io.out << file.string() << '\n';
        }
    }
    if (!found_sheet) throw UsageError("no sheet named \"" + *sheet_name + "\" in the workbook");
    io.err << "quillette: " << plural(written, "picture", "pictures") << (dry_run ? " would be extracted, nothing was written\n" : " extracted\n");
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
    std::optional<std::string> cells, author, by_name, map, out_dir;
    std::vector<std::string> pictures;
    bool yes = false, json = false;
    std::optional<std::string> demo_out;

    auto* image = app.add_subcommand("insert-image", "Put pictures into the notes of the selected cells");
    image->add_option("BOOK", book, "Workbook (.xlsx; - for standard input)")->required();
    image->add_option("--cells", cells, "Cells, e.g. B2:B5,D2; the k-th cell gets the k-th picture");
    image->add_option("PICTURE", pictures, "Picture files, in the order of the cells");
    image->add_option("--by-name", by_name, "Take each cell's picture from this folder, by the cell's text");
    image->add_option("--map", map, "CSV of cell,picture[,text] records");
    image->add_flag("--opaque", options.opaque, "Clear \"Semi-transparent Image\"");
    add_comment_options(*image, options, author);
    add_output(*image, output);

    auto* text = app.add_subcommand("insert-text", "Write formatted text into the active cell's note");
    text->add_option("BOOK", book, "Workbook (.xlsx; - for standard input)")->required();
    text->add_option("--cell", cells, "The cell")->required();
    add_comment_options(*text, options, author);
    add_output(*text, output);

    auto* del = app.add_subcommand("delete-comments", "Delete the notes of the selected cells");
    del->add_option("BOOK", book, "Workbook (.xlsx; - for standard input)")->required();
    del->add_option("--cells", cells, "Cells, e.g. B2:D9")->required();
    del->add_option("--sheet", options.sheet, "Sheet to work on (default: the first)");
    del->add_flag("--yes", yes, "Answer Yes to the confirmation");
    add_output(*del, output);

    auto* list = app.add_subcommand("list", "List the notes of a workbook");
    list->add_option("BOOK", book, "Workbook (.xlsx; - for standard input)")->required();
    list->add_flag("--json", json, "JSON instead of a table");

    auto* extract = app.add_subcommand("extract-images", "Write each note's picture to a folder as SHEET_CELL.ext");
    extract->add_option("BOOK", book, "Workbook (.xlsx; - for standard input)")->required();
    extract->add_option("--out", out_dir, "Folder for the pictures")->required();
    extract->add_option("--cells", cells, "Only these cells, e.g. B2:D9");
    extract->add_option("--sheet", options.sheet, "Only this sheet");
    extract->add_flag("--dry-run", output.dry_run, "Tell which files would be written, write none");

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
            const Book wb = read_book(book, io, {Scope::Notes, std::nullopt});
            if (json)
                write_json(*wb.excel, [&](std::size_t s, std::int32_t r, std::int32_t c) { return picture_part(wb, s, r, c); }, io.out);
            else
                write_table(*wb.excel, io.out);
            return kDone;
        }
        if (extract->parsed()) return extract_images(book, *out_dir, options.sheet, cells, output.dry_run, io);

        const Target target = target_of(book, output, io);
        check_text_options(options.text);
        std::vector<Pairing> pairs;
        if (image->parsed()) {
            const int ways = !pictures.empty() + by_name.has_value() + map.has_value();
            if (ways != 1) throw UsageError("give pictures, --by-name DIR or --map FILE.csv (one of them)");
            if (!map && !cells) throw UsageError("--cells is required with pictures and with --by-name");
            if (map && cells) throw UsageError("--map names its own cells: leave out --cells");
            if (map) {
                pairs = read_map(*map);
                for (auto& p : pairs) {
                    TextOptions own;
                    own.text = p.text;
                    try {
                        check_text_options(own);
                    } catch (const UsageError& e) {
                        throw UsageError(p.cell + " in the map: " + e.what());
                    }
                    pictures.push_back(p.picture);
                }
            }
            check_pictures(pictures);
        }
        if (book == "-" && del->parsed() && !yes)
            throw UsageError("the workbook comes from standard input, so no question can be answered there: give --yes");
        const Book wb = read_book(book, io, {Scope::OneSheet, options.sheet});
        auto& excel = wb.excel;
        if (author) excel->user_name = to_u16(*author);
        Session s(io, excel, yes);
        s.use_sheet(options.sheet);
        const std::size_t sheet_index = excel->workbooks[excel->active_workbook]->active_sheet;
        Report report;
        std::vector<memory::CellRef> visited;  // cells insert-image paired with a picture
        if (image->parsed()) {
            s.prepare(options);
            if (by_name) {
                s.select(*cells);
                const auto order = cells_in_order(*s.sheet().selection);
                warn_repeats(report, order);
                std::vector<std::string> problems;
                pairs = pair_by_name(s.sheet(), order, *by_name, problems);
                for (auto& p : problems) report.warn(std::move(p));
            }
            if (by_name || map) {
                // One cell at a time, each with its own picture (and text).
                s.expect_cells(pairs.size());
                const std::optional<std::string> common = options.text.text;
                bool own_text = false;  // the editor holds a record's text, not the common one
                for (const auto& p : pairs) {
                    if (p.text || common || own_text) s.type_text(options.text, to_u16(p.text.value_or(common.value_or(""))));
                    own_text = p.text.has_value();
                    s.select(p.cell);
                    visited.push_back(memory::parse_cell(p.cell));
                    excel->scripted_files().choose({to_u16(p.picture)}, 1);
                    s.click(u"OKButton");
                }
                if (map) warn_repeats(report, visited);
            } else {
                s.select(*cells);
                const auto order = cells_in_order(*s.sheet().selection);
                warn_repeats(report, order);
                if (pictures.size() < order.size())
                    report.warn(plural(pictures.size(), "picture", "pictures") + " for " + plural(order.size(), "cell", "cells") +
                                ": " + plural(order.size() - pictures.size(), "cell gets", "cells get") + " none");
                else if (pictures.size() > order.size())
                    report.warn(plural(pictures.size(), "picture", "pictures") + " for " + plural(order.size(), "cell", "cells") +
                                ": the last " + plural(pictures.size() - order.size(), "picture is", "pictures are") + " not used");
                // The command moves the first file it is given to the end; hand
                // the list over rotated so that the first picture named goes to
                // the first cell.
                std::vector<std::u16string> chosen;
                if (!pictures.empty()) chosen.push_back(to_u16(pictures.back()));
                for (std::size_t i = 0; i + 1 < pictures.size(); ++i) chosen.push_back(to_u16(pictures[i]));
                excel->scripted_files().choose(chosen, 1);
                visited.assign(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(std::min(order.size(), pictures.size())));
                s.expect_cells(visited.size());
                s.click(u"OKButton");
            }
        } else if (text->parsed()) {
            s.prepare(options);
            s.select(*cells);
            if (!options.text.text && !options.text.text_from)
                report.warn("no text given (--text, --text-file or --text-from): the note gets none");
            s.expect_cells(1);
            s.click(u"Command3");
            s.step_done();
        } else if (del->parsed()) {
            if (!yes && !io.stdin_is_terminal) {
                io.err << "quillette: refusing to delete without --yes when stdin is not a terminal\n";
                return kRefused;
            }
            s.select(*cells);
            s.expect_cells(1);
            s.click(u"Command2");
            s.step_done();
        }
        const Exit outcome = s.outcome();
        if (outcome == kRefused) hint_refusal(s, text->parsed(), io);
        const auto after = updated(wb);
        if (image->parsed() && outcome == kDone) warn_skipped(report, wb, *after, sheet_index, visited);
        return write_result(wb, *after, target, output, report, outcome, io);
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
