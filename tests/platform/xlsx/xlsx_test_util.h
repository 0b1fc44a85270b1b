#pragma once
// Helpers shared by the xlsx and CLI tests: scratch folders, files, a
// stored-zip writer for hostile archives, a workbook as Excel writes one, the
// preservation check for drawings, the XML normaliser of the golden tests and
// a runner for the independent readers.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/xlsx/xlsx.h"

namespace quill::xlsx::testing {

// A fresh folder under the build tree, removed with the object.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

private:
    std::filesystem::path dir_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);

// A zip written entry by entry, stored (not compressed), so a test controls
// names and sizes exactly. declared_size overrides what the directory claims.
struct ZipEntry { std::string name; std::string data; std::int64_t declared_size = -1; std::int64_t declared_compressed = -1; };
std::string stored_zip(const std::vector<ZipEntry>& entries);

// Parts of a package file by name ("" when absent).
std::string part_of(const std::string& xlsx_path, const std::string& part);
std::set<std::string> part_names(const std::string& xlsx_path);

// Attributes sorted, whitespace collapsed, one element per line.
std::string normalise_xml(const std::string& xml);

// Runs /usr/bin/python3 with the script; returns its exit code, stdout in `out`.
int run_python(const std::string& script, std::string& out);
// Runs a shell command, returns its exit code.
int run(const std::string& command);

// A small valid PNG (1x1) and a different one.
std::string tiny_png(std::uint8_t red);
Picture png_picture(std::uint8_t red);

RunList text(const std::u16string& s);

// The message of the Error `f` throws; a failure, and "", when it throws none.
template <class Error = XlsxError, class F>
std::string refusal(F f) {
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    ADD_FAILURE() << "nothing was refused";
    return "";
}

// A workbook as Excel writes one with notes, pictures, a form button in the
// same drawing, a threaded comment and a part nobody knows, built entry by
// entry so every byte is known.
std::vector<ZipEntry> excel_like_entries();
void write_excel_like(const std::string& path);

// The preservation check for a notes drawing: the root's start tag and every
// element of the part but the note shapes of `changed` cells, each as its
// bytes, read with the product's reader.
using Cell = std::pair<std::int32_t, std::int32_t>;
std::vector<std::string> kept_elements(const std::string& vml, const std::set<Cell>& changed);

// A command's edits on a sheet's notes: the first note's box changes, the
// last note goes, a new note comes below the others. Returns their cells.
std::set<Cell> edit_notes(std::vector<Note>& notes);

}  // namespace quill::xlsx::testing
