#pragma once
// The zip container of an .xlsx file and its safety rules.
//
// Reading refuses, with a reason: a file that is no zip or is truncated, more
// than kMaxEntries entries, an entry over kRatioFloor bytes that expands more
// than kMaxRatio times, more than kMaxTotal bytes expanded in total, part names
// that could escape or alias (.., backslash, absolute, %2F, a segment ending in
// a dot, duplicates ignoring case), and any XML part with a DOCTYPE (entities
// are never expanded because a DOCTYPE is refused before parsing).
#include <cstdint>
#include <memory>
#include <optional>
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
inline constexpr std::uint64_t kMaxTotal = std::uint64_t{2} << 30;

using Bytes = std::shared_ptr<const std::string>;

// Parts by name (as stored in the zip, without a leading slash), looked up
// ignoring case as the packaging rules demand, kept in archive order.
class Package {
public:
    static Package read(const std::string& path);
    // The same checks on an archive held in memory.
    static Package from_bytes(std::string_view bytes);

    bool contains(std::string_view name) const;
    const std::string& bytes(std::string_view name) const;  // fails naming the part when missing
    Bytes shared(std::string_view name) const;
    // The stored spelling of a part name, or "" when missing.
    std::string actual_name(std::string_view name) const;
    // Adds a part at the end or replaces one in place.
    void put(const std::string& name, Bytes bytes);
    void put(const std::string& name, std::string bytes) { put(name, std::make_shared<const std::string>(std::move(bytes))); }
    void remove(std::string_view name);
    std::vector<std::string> names() const;
    // The whole package as zip bytes, [Content_Types].xml first. A part read
    // from a file and never replaced is copied from that file as its
    // compressed bytes, not deflated again; if the file is no longer the one
    // that was read, writing fails and nothing is produced.
    std::string write() const;

private:
    struct Entry {
        std::string name;
        Bytes bytes;
        std::int64_t source_index = -1;  // in the file read, while unchanged
    };
    // The file a package was read from, as it was then.
    struct SourceFile {
        std::string path;
        std::uint64_t device = 0, inode = 0, size = 0;
        std::int64_t mtime_ns = 0;
        bool operator==(const SourceFile&) const = default;
    };
    static std::optional<SourceFile> identify(const std::string& path);
    std::optional<SourceFile> source_;
    std::vector<Entry> entries_;                   // removed entries have null bytes
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

// Test seam of write_file_atomically: the n-th write, fsync or rename
// (1-based, counted since the counters were last zero; 0 = never) fails with
// `error`, and writes may be cut short to exercise partial writes. Null, and
// so inert, unless a test installs one.
struct FileFaults {
    int fail_write = 0, fail_fsync = 0, fail_rename = 0;
    int error = 5;  // EIO
    std::size_t max_write = 0;  // 0 = whole buffer
    int writes = 0, fsyncs = 0, renames = 0;  // calls seen
};
inline FileFaults* file_faults = nullptr;

std::string lower(std::string_view s);

}  // namespace quill::xlsx::detail
