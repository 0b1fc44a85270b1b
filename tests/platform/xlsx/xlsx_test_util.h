#pragma once
// Helpers shared by the xlsx tests: scratch folders, files, a stored-zip
// writer for hostile archives, the XML normaliser of the golden tests and a
// runner for the independent readers.
#include <cstdint>
#include <filesystem>
#include <string>
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
struct ZipEntry {
    std::string name;
    std::string data;
    std::int64_t declared_size = -1;
    std::int64_t declared_compressed = -1;
};
std::string stored_zip(const std::vector<ZipEntry>& entries);

// Parts of a package file by name.
std::string part_of(const std::string& xlsx_path, const std::string& part);
std::vector<std::string> part_names(const std::string& xlsx_path);

// Attributes sorted, whitespace collapsed, one element per line.
std::string normalise_xml(const std::string& xml);

// Runs /usr/bin/python3 with the script; returns its exit code, stdout in `out`.
int run_python(const std::string& script, std::string& out);
bool have_openpyxl();
bool have_soffice();
// Runs a shell command, returns its exit code.
int run(const std::string& command);

// A small valid PNG (1x1) and a different one.
std::string tiny_png(std::uint8_t red);

RunList text(const std::u16string& s);

}  // namespace quill::xlsx::testing
