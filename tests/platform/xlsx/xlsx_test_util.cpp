#include "xlsx_test_util.h"

#include <pugixml.hpp>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/memory/picture_writer.h"
#include "platform/xlsx/package.h"
#include "platform/xlsx/vml_drawing.h"

namespace quill::xlsx::testing {

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
    static std::atomic<int> counter{0};
    dir_ = fs::path(QUILL_BINARY_DIR) / "xlsx-scratch" /
           (std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

namespace {
std::uint32_t crc32(const std::string& data) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}
void put16(std::string& s, unsigned v) { s += static_cast<char>(v & 0xFF), s += static_cast<char>((v >> 8) & 0xFF); }
void put32(std::string& s, std::uint32_t v) { put16(s, v & 0xFFFF), put16(s, v >> 16); }
}  // namespace

std::string stored_zip(const std::vector<ZipEntry>& entries) {
    std::string out, central;
    for (const auto& e : entries) {
        const std::uint32_t crc = crc32(e.data), offset = static_cast<std::uint32_t>(out.size());
        const auto size = static_cast<std::uint32_t>(e.declared_size >= 0 ? e.declared_size : static_cast<std::int64_t>(e.data.size()));
        const auto csize = static_cast<std::uint32_t>(e.declared_compressed >= 0 ? e.declared_compressed : static_cast<std::int64_t>(e.data.size()));
        auto header = [&](std::string& s, bool central_entry) {
            put32(s, central_entry ? 0x02014b50 : 0x04034b50);
            if (central_entry) put16(s, 20);
            put16(s, 20), put16(s, 0), put16(s, 0), put16(s, 0), put16(s, 0x21);
            put32(s, crc), put32(s, csize), put32(s, size);
            put16(s, static_cast<unsigned>(e.name.size())), put16(s, 0);
            if (central_entry) put16(s, 0), put16(s, 0), put16(s, 0), put32(s, 0), put32(s, offset);
            s += e.name;
        };
        header(out, false);
        out += e.data;
        header(central, true);
    }
    const auto cd_offset = static_cast<std::uint32_t>(out.size());
    out += central;
    put32(out, 0x06054b50), put16(out, 0), put16(out, 0);
    put16(out, static_cast<unsigned>(entries.size())), put16(out, static_cast<unsigned>(entries.size()));
    put32(out, static_cast<std::uint32_t>(central.size())), put32(out, cd_offset), put16(out, 0);
    return out;
}

std::string part_of(const std::string& xlsx_path, const std::string& part) {
    const auto pkg = detail::Package::read(xlsx_path);
    return pkg.contains(part) ? pkg.bytes(part) : std::string();
}

std::set<std::string> part_names(const std::string& xlsx_path) {
    const auto names = detail::Package::read(xlsx_path).names();
    return {names.begin(), names.end()};
}

// The elements one per line, indented by depth, attributes in name order;
// texts with their whitespace collapsed, on lines of their own.
std::string normalise_xml(const std::string& xml) {
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.data(), xml.size(), pugi::parse_default | pugi::parse_ws_pcdata)) return "<not XML>\n" + xml;
    struct Printer : pugi::xml_tree_walker {
        std::string out;
        bool for_each(pugi::xml_node& n) override {
            const std::string indent(static_cast<std::size_t>(depth()) * 2, ' ');
            if (n.type() == pugi::node_element) {
                std::vector<std::pair<std::string, std::string>> attrs;
                for (auto a : n.attributes()) attrs.emplace_back(a.name(), a.value());
                std::sort(attrs.begin(), attrs.end());
                out += indent + "<" + n.name();
                for (const auto& [k, v] : attrs) out += " " + k + "=\"" + v + "\"";
                out += ">\n";
            } else if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) {
                std::istringstream words(n.value());
                std::string word, text;
                while (words >> word) text += (text.empty() ? "" : " ") + word;
                if (!text.empty()) out += indent + "\"" + text + "\"\n";
            }
            return true;
        }
    } printer;
    doc.traverse(printer);
    return printer.out;
}

int run(const std::string& command) {
    const int rc = std::system(command.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

int run_python(const std::string& script, std::string& out) {
    ScratchDir dir;
    write_file(dir.path("s.py"), script);
    const std::string cmd = "/usr/bin/python3 " + dir.path("s.py") + " > " + dir.path("out.txt") + " 2>&1";
    const int rc = run(cmd);
    out = read_file(dir.path("out.txt"));
    return rc;
}

std::string tiny_png(std::uint8_t red) {
    const auto png = memory::encode_png({red, 0, 0}, 1, 1);
    return std::string(png.begin(), png.end());
}

Picture png_picture(std::uint8_t red) { return Picture{std::make_shared<const std::string>(tiny_png(red)), "png", {}}; }

RunList text(const std::u16string& s) { return {{s, note_default_font()}}; }

std::vector<std::string> kept_elements(const std::string& vml, const std::set<Cell>& changed) {
    const auto part = detail::parse_vml(std::make_shared<const std::string>(vml), "vml");
    std::set<std::size_t> dropped;
    for (const auto& s : part.notes)
        if (changed.count({s.row, s.col})) dropped.insert(s.element);
    std::vector<std::string> out{vml.substr(0, part.markup.root_tag_end + 1)};
    for (std::size_t i = 0; i < part.markup.children.size(); ++i)
        if (!dropped.count(i)) {
            const auto span = part.markup.children[i];
            out.push_back(vml.substr(span.begin, span.end - span.begin));
        }
    return out;
}

std::set<Cell> edit_notes(std::vector<Note>& notes) {
    std::set<Cell> changed;
    if (notes.empty()) return changed;
    NoteShape& box = notes.front().shape.edit();
    box.width *= 1.75;
    box.height *= 1.75;
    box.orientation = kUpward;
    box.opacity = 0.5;
    box.visible = !box.visible;
    changed.insert({notes.front().row, notes.front().col});
    if (notes.size() > 1) {
        changed.insert({notes.back().row, notes.back().col});
        notes.pop_back();
    }
    Note added;
    for (const auto& n : notes) added.row = std::max(added.row, n.row + 2);
    added.author = u"Quillette";
    added.text = text(u"added");
    notes.push_back(added);
    changed.insert({added.row, added.col});
    return changed;
}

}  // namespace quill::xlsx::testing
