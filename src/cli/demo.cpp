// The embedded default: a workbook built from pictures drawn here, with
// picture notes carrying rich text in every orientation, made by the same
// handlers a user clicks.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <unistd.h>

#include "cli/app.h"
#include "cli/book.h"
#include "cli/listing.h"
#include "platform/memory/picture_writer.h"
#include "cli/session.h"

namespace quill::cli {

namespace fs = std::filesystem;

namespace {

// A soft two-colour gradient with a disc: small, recognisable, and different
// for each note.
std::vector<std::uint8_t> draw_picture(int w, int h, std::uint32_t from, std::uint32_t to, std::uint32_t disc) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
    auto ch = [](std::uint32_t c, int k) { return static_cast<int>((c >> (16 - 8 * k)) & 0xFF); };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double t = static_cast<double>(x + y) / (w + h - 2);
            const double dx = x - w * 0.68, dy = y - h * 0.38, r = h * 0.24;
            const bool in_disc = dx * dx + dy * dy <= r * r;
            for (int k = 0; k < 3; ++k) {
                const int v = in_disc ? ch(disc, k) : static_cast<int>(std::lround(ch(from, k) * (1 - t) + ch(to, k) * t));
                rgb[(static_cast<std::size_t>(y) * w + x) * 3 + k] = static_cast<std::uint8_t>(v);
            }
        }
    return rgb;
}

struct Piece {
    std::u16string text;
    std::int32_t color;  // 0x00BBGGRR
    bool bold, italic;
};

void type_pieces(dialog::RichTextEditor& editor, const std::vector<Piece>& pieces) {
    editor.Text(u"");
    for (const auto& p : pieces) {
        editor.SelFontName(u"Tahoma");
        editor.SelFontSize(10);
        editor.SelColor(p.color);
        editor.SelBold(p.bold);
        editor.SelItalic(p.italic);
        editor.TypeText(p.text);
    }
}

}  // namespace

int demo(const std::optional<std::string>& out, Io& io) {
    const fs::path target = out.value_or("demo.xlsx");
    const fs::path dir = fs::temp_directory_path() / ("quillette-demo-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    struct DirGuard {
        fs::path p;
        ~DirGuard() {
            std::error_code ec;
            fs::remove_all(p, ec);
        }
    } guard{dir};

    struct Note {
        const char* cell;
        const char* file;
        std::int32_t orientation;  // Orent index
        std::uint32_t from, to, disc;
        std::vector<Piece> text;
    };
    const std::int32_t blue = 0xFF0000, red = 0x0000C0, green = 0x008000, black = 0;
    const std::vector<Note> notes = {
        {"B3", "sunrise.png", 1, 0xFFE0A0, 0xFF8060, 0xFFFFFF,
         {{u"Horizontal", blue, true, false}, {u"\r\nsunrise over ", black, false, false}, {u"B3", red, true, true}}},
        {"F3", "sea.png", 2, 0xA0E0FF, 0x2060C0, 0xFFF0A0, {{u"Stacked", green, true, false}}},
        {"B11", "meadow.png", 3, 0xD0FFB0, 0x40A040, 0xFFFFFF,
         {{u"Upward ", black, false, true}, {u"text", red, true, false}}},
        {"F11", "dusk.png", 4, 0xC0A0FF, 0x302060, 0xFFE080,
         {{u"Downward", blue, false, false}, {u" text", black, true, true}}},
    };

    const Book book = new_book();
    const auto& excel = book.excel;
    auto& sheet = excel->sheet();
    sheet.set_text("A1", u"Quillette demo: rest the pointer on a red triangle to see its note");
    static const char16_t* const labels[] = {u"horizontal", u"vertical", u"upward", u"downward"};
    for (std::size_t i = 0; i < notes.size(); ++i) {
        // The label sits in the row above its note's cell.
        const memory::CellRef at = memory::parse_cell(notes[i].cell);
        sheet.set_text(memory::cell_name({at.row - 1, at.column}), labels[i]);
    }
    memory::CharFont bold = memory::cell_default_font();
    bold.bold = true;
    bold.color = blue;
    auto& rich = sheet.set_text("B18", u"Rich ", memory::cell_default_font());
    rich.text.append(u"cell", bold);
    rich.value = std::u16string(u"Rich cell");

    Session s(io, excel, true);
    s.use_sheet(std::nullopt);
    auto& form = s.form();
    for (const auto& n : notes) {
        const fs::path file = dir / n.file;
        const auto png = memory::encode_png(draw_picture(160, 96, n.from, n.to, n.disc), 160, 96);
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                     static_cast<std::streamsize>(png.size()));
        type_pieces(*form.RichTextBox1, n.text);
        if (form.Check2.Value() != 1) form.Click(u"Check2");
        form.Orent(n.orientation).Value(true);
        s.select(n.cell);
        excel->scripted_files().choose({file.u16string()}, 1);
        s.click(u"OKButton");
    }
    // Get Text from Active Cell, then Insert Text Only: a cell's own fonts
    // carried into a note without a picture.
    form.Orent(1).Value(true);
    s.select("B18");
    s.click(u"Command4");
    s.click(u"Command3");

    if (s.outcome() != kDone) {
        io.err << "quillette: the demo could not be built\n";
        return kUnreadable;
    }
    save_book(book, target);
    io.out << fs::absolute(target).string() << '\n';
    write_table(*open_book(target).excel, io.out);
    return kDone;
}

}  // namespace quill::cli
