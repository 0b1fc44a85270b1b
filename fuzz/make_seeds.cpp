// Writes the seed corpora: small workbooks made by our own writer, as .xlsx
// files and as the plain-parts input of fuzz_xlsx_parts, and their comments
// and VML parts. The golden parts of the tests and A1 strings are copied by
// fuzz/run.sh --seeds.
//
//   make_seeds <corpus folder>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "platform/xlsx/package.h"
#include "platform/xlsx/xlsx.h"

namespace {

using namespace quill::xlsx;
using quill::CharFont;
using quill::note_default_font;
namespace host = quill::host;
namespace fs = std::filesystem;

const std::string kPng(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x01\x00\x00\x00\x01\x08\x02\x00"
    "\x00\x00\x90\x77\x53\xde\x00\x00\x00\x0c\x49\x44\x41\x54\x78\x9c\x63\xf8\xcf\xc0\x00\x00\x03\x01\x01\x00\xc9"
    "\xfe\x92\xef\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
    69);

Note note(int row, int col, RunList text) {
    Note n;
    n.row = row;
    n.col = col;
    n.author = u"Seed";
    n.text = std::move(text);
    return n;
}

std::vector<std::pair<std::string, Workbook>> workbooks() {
    std::vector<std::pair<std::string, Workbook>> out;
    const CharFont plain = note_default_font();
    CharFont bold = plain;
    bold.bold = true;
    bold.color = 0xFF0000;
    CharFont odd = plain;
    odd.italic = odd.strikethrough = true;
    odd.underline = host::xlUnderlineStyleDouble;
    odd.name = u"Courier New";
    odd.size = 14.5;

    Workbook one = new_workbook();
    one.sheets[0].notes.push_back(note(0, 0, {{u"plain", plain}}));
    out.emplace_back("one-note", std::move(one));

    Workbook rich = new_workbook();
    Note a = note(2, 1, {{u"Bold:", bold}, {u"\n  two lines ", plain}, {u"odd", odd}});
    a.shape->visible = true;
    a.shape->width = 168;
    a.shape->height = 97.125;
    a.shape->orientation = kUpward;
    a.shape->vertical_alignment = VerticalAlignment::Bottom;
    rich.sheets[0].notes.push_back(a);
    Note b = note(5, 3, {{u"picture", plain}});
    b.shape->picture = Picture{std::make_shared<const std::string>(kPng), "png", {}};
    b.shape->picture_title = u"photo";
    b.shape->opacity = 0.5;
    b.shape->orientation = kVertical;
    rich.sheets[0].notes.push_back(b);
    Sheet second;
    second.name = u"Second";
    Note c = note(0, 16383, {{u"last column \u00e9\u4e2d", plain}});
    c.shape->fill_color = 0x00FF00;
    c.shape->orientation = kDownward;
    second.notes.push_back(c);
    rich.sheets.push_back(second);
    out.emplace_back("rich", std::move(rich));
    return out;
}

void write(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_seeds <corpus folder>\n";
        return 2;
    }
    const fs::path root = argv[1];
    const fs::path scratch = fs::temp_directory_path() / "quill_make_seeds.xlsx";
    for (auto& [name, wb] : workbooks()) {
        save(wb, scratch.string());
        std::ifstream in(scratch, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        write(root / "fuzz_xlsx_load" / (name + ".xlsx"), bytes);
        const auto pkg = detail::Package::read(scratch.string());
        std::string parts;
        for (const auto& part : pkg.names()) {
            parts += (parts.empty() ? "@@ " : "\n@@ ") + part + "\n" + pkg.bytes(part);
            const std::string file = name + "-" + fs::path(part).filename().string();
            if (part.find("comments") != std::string::npos) write(root / "fuzz_comments" / file, pkg.bytes(part));
            if (part.ends_with(".vml")) write(root / "fuzz_vml" / file, pkg.bytes(part));
        }
        write(root / "fuzz_xlsx_parts" / (name + ".txt"), parts);
    }
    fs::remove(scratch);
    return 0;
}
