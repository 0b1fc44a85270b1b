#pragma once
// The zip container of an .xlsx file and its safety rules.
//
// Reading refuses, with a reason: a file that is no zip or is truncated (an
// OLE2 file, which is how an .xls or a password-protected workbook is stored,
// is named as such), more than kMaxEntries entries, more than kMaxTotal bytes
// expanded in total, part names that could escape or alias (.., backslash,
// absolute, %2F, a segment ending in a dot, duplicates ignoring case), a part
// to be parsed that is over kRatioFloor bytes and expands more than kMaxRatio
// times, and any XML part with a DOCTYPE (entities are never expanded because
// a DOCTYPE is refused before parsing).
//
// Parts are expanded only when asked for. A part nobody asks for (pictures of
// drawings, printer settings, anything we only carry along) is copied into
// the written archive straight from the one it was read from, compressed data
// and all, so that a large picture never has to fit in memory.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

namespace quill::xlsx::detail {

// The reason a package is refused; load and save add the file name.
struct Invalid : std::runtime_error {
    using std::runtime_error::runtime_error;
};
[[noreturn]] void fail(const std::string& reason);

inline constexpr std::size_t kMaxEntries = 10000;
inline constexpr std::uint64_t kMaxRatio = 100;
inline constexpr std::uint64_t kRatioFloor = 100 * 1024;
inline constexpr std::uint64_t kMaxTotal = std::uint64_t{1} << 30;

using Bytes = std::shared_ptr<const std::string>;

// Parts by name (as stored in the zip, without a leading slash), looked up
// ignoring case as the packaging rules demand, kept in archive order.
class Package {
public:
    static Package read(const std::string& path);
    // The same checks on an archive held in memory.
    static Package from_bytes(std::string_view bytes);

    bool contains(std::string_view name) const;
    // The expanded bytes, read from the archive on first use; fails naming the
    // part when missing.
    const std::string& bytes(std::string_view name) const;
    Bytes shared(std::string_view name) const;
    // bytes() for a part about to be parsed: one that expands suspiciously far
    // is refused first.
    const std::string& parsed_bytes(std::string_view name) const;
    // The same without keeping the bytes, for a large part read once.
    Bytes parsed_once(std::string_view name) const;
    // Whether the part's prolog holds a DOCTYPE, expanding no further than
    // the prolog; refuses a part that would expand suspiciously far.
    bool doctype(std::string_view name) const;
    // Without expanding: the size the archive declares, and whether the bytes
    // are in memory already.
    std::uint64_t size(std::string_view name) const;
    bool loaded(std::string_view name) const;
    // The stored spelling of a part name, or "" when missing.
    std::string actual_name(std::string_view name) const;
    // Adds a part at the end or replaces one in place.
    void put(const std::string& name, Bytes bytes);
    void put(const std::string& name, std::string bytes) { put(name, std::make_shared<const std::string>(std::move(bytes))); }
    void remove(std::string_view name);
    std::vector<std::string> names() const;
    // The whole package as zip bytes, [Content_Types].xml first. A part read
    // from an archive and not replaced is copied from it as its compressed
    // bytes; if the file read is no longer the one that was read, writing
    // fails and nothing is produced.
    std::string write() const;

    struct Archive;  // the archive read, kept open while a part may still be copied from it

private:
    struct Entry {
        std::string name;
        mutable Bytes bytes;  // null until read
        std::shared_ptr<Archive> origin;  // null for a part put here
        std::uint64_t index = 0, size = 0, compressed = 0;
        bool removed = false;
    };
    static Package from_archive(std::shared_ptr<Archive> archive);
    const Entry* find(std::string_view name) const;
    const Entry& at(std::string_view name) const;  // fails when missing
    std::vector<Entry> entries_;

    std::unordered_map<std::string, std::size_t> index_;  // lower-case name -> entries_
};

// Throws Invalid when `name` is not a safe part name.
void check_part_name(std::string_view name);
bool has_doctype(std::string_view xml);
// Parses a part; fails on a DOCTYPE or malformed XML, naming the part.
pugi::xml_document parse_part(const Package& package, std::string_view name);
pugi::xml_document parse_xml(const std::string& bytes, std::string_view name);

// Writes `bytes` to `path` via a temporary file in the same folder: write,
// fsync, rename, fsync the folder. A failure before the rename leaves the
// target as it was and removes the temporary file; the folder's fsync is
// best effort, since by then the new file is in place.
void write_file_atomically(const std::string& path, const std::string& bytes);

#ifdef QUILLETTE_FILE_FAULTS
// Test seam of write_file_atomically, built only with QUILL_TEST_HOOKS: the
// n-th write, fsync or rename (1-based, counted since the counters were last
// zero; 0 = never) fails with `error`, and writes may be cut short to exercise
// partial writes. Null, and so inert, unless a test installs one.
struct FileFaults {
    int fail_write = 0, fail_fsync = 0, fail_rename = 0;
    int error = 5;  // EIO
    std::size_t max_write = 0;  // 0 = whole buffer
    int writes = 0, fsyncs = 0, renames = 0;  // calls seen
};
inline FileFaults* file_faults = nullptr;
#endif

std::string lower(std::string_view s);

}  // namespace quill::xlsx::detail
