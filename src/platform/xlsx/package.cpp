#include "platform/xlsx/package.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <set>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

namespace quill::xlsx::detail {

void fail(const std::string& reason) { throw Invalid(reason); }

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

void check_part_name(std::string_view name) {
    auto bad = [&](const char* why) { fail("unsafe part name \"" + std::string(name) + "\" (" + why + ")"); };
    if (name.empty()) bad("empty");
    if (name.front() == '/') bad("absolute path");
    if (name.find('\\') != std::string_view::npos) bad("backslash");
    // The zip writer takes names as C strings: a NUL would cut the name short
    // and the saved package would not hold the part that was loaded.
    if (std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        bad("control character");
    const std::string low = lower(name);
    if (low.find("%2f") != std::string::npos || low.find("%5c") != std::string::npos) bad("encoded slash");
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string_view::npos) end = name.size();
        std::string_view seg = name.substr(start, end - start);
        if (seg == "..") bad("parent folder");
        if (seg.empty() && end != name.size()) bad("empty segment");
        if (!seg.empty() && seg.back() == '.') bad("trailing dot");
        start = end + 1;
    }
}

namespace {

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct FileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

bool starts_like_zip(std::string_view head) { return head.substr(0, 4) == std::string_view("PK\x03\x04", 4); }

// An OLE2 compound file: an .xls workbook, or an .xlsx that Excel encrypted
// with a password, whose package then sits in an "EncryptedPackage" stream.
// [MS-OFFCRYPTO] 2.3.4.4 and [MS-CFB] 2.2 (header signature).
std::string ole2_reason(std::string_view head) {
    if (head.substr(0, 8) != std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) return {};
    static const std::string stream = [] {
        std::string s;
        for (char c : std::string_view("EncryptedPackage")) s += {c, '\0'};
        return s;
    }();
    if (head.find(stream) != std::string_view::npos)
        return "a password-protected (encrypted) workbook, which cannot be read: remove the password in Excel first";
    return "an Excel 97-2003 workbook (.xls) or another OLE2 file, not an .xlsx: save it as .xlsx in Excel first";
}

// Enough of the file's start to name what it is when it is no zip: the
// compound file's directory lies near its start in files Excel writes.
std::string file_head(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(1 << 20, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head;
}

// `head` is only asked for when the archive itself is at fault.
template <class Head>
std::string open_error(int code, Head head) {
    switch (code) {
    case ZIP_ER_NOENT: return "file not found";
    case ZIP_ER_OPEN:
    case ZIP_ER_READ: return std::string("cannot read the file (") + std::strerror(errno) + ")";
    case ZIP_ER_MEMORY: throw std::bad_alloc();
    default: break;
    }
    const std::string start = head();
    if (std::string ole2 = ole2_reason(start); !ole2.empty()) return ole2;
    if (!starts_like_zip(start)) return "not a zip archive (an .xlsx file is one)";
    if (code == ZIP_ER_EXISTS) return "duplicate part names in the zip archive";
    return "truncated or damaged zip archive";
}

}  // namespace

struct Package::Archive {
    std::string bytes;  // what a buffer source reads; empty for a file
    zip_t* zip = nullptr;
    // A file read, as it was when opened: its parts are copied from it at save.
    struct FileId {
        std::uint64_t device = 0, inode = 0, size = 0;
        std::int64_t mtime_ns = 0;
        bool operator==(const FileId&) const = default;
    };
    std::string path;
    std::optional<FileId> file;
    static std::optional<FileId> identify(const std::string& path) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return std::nullopt;
        return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                      static_cast<std::uint64_t>(st.st_size),
                      static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    }
    bool changed() const { return !path.empty() && (!file || identify(path) != file); }
    ~Archive() {
        if (zip) zip_discard(zip);
    }
};

Package Package::read(const std::string& path) {
    int code = 0;
    auto archive = std::make_shared<Archive>();
    // Taken before the file is opened: a change made while it is read shows.
    std::error_code ec;
    archive->path = std::filesystem::absolute(path, ec).string();
    archive->file = Archive::identify(archive->path);
    archive->zip = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!archive->zip) fail(open_error(code, [&] { return file_head(path); }));
    return from_archive(std::move(archive));
}

Package Package::from_bytes(std::string_view bytes) {
    // libzip takes an empty buffer for an empty archive, an empty file for none.
    if (bytes.empty()) fail(open_error(ZIP_ER_NOZIP, [] { return std::string(); }));
    auto archive = std::make_shared<Archive>();
    archive->bytes.assign(bytes);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_buffer_create(archive->bytes.data(), archive->bytes.size(), 0, &error);
    if (!src) {
        zip_error_fini(&error);
        throw std::bad_alloc();
    }
    archive->zip = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive->zip) {
        zip_source_free(src);
        const int code = zip_error_code_zip(&error);
        zip_error_fini(&error);
        fail(open_error(code, [&] { return std::string(bytes.substr(0, 1 << 20)); }));
    }
    return from_archive(std::move(archive));
}

Package Package::from_archive(std::shared_ptr<Archive> archive) {
    zip_t* zip = archive->zip;
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    if (count < 0) fail("damaged zip archive");
    if (static_cast<std::uint64_t>(count) > kMaxEntries)
        fail("too many entries (" + std::to_string(count) + ", at most " + std::to_string(kMaxEntries) + ")");

    // Everything the directory tells is checked before anything is expanded.
    Package package;
    std::uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(zip, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
            fail("damaged zip directory");
        const std::string name = st.name;
        const bool folder = !name.empty() && name.back() == '/';
        check_part_name(folder ? std::string_view(name).substr(0, name.size() - 1) : std::string_view(name));
        if (package.index_.count(lower(folder ? name.substr(0, name.size() - 1) : name)) ||
            package.index_.count(lower(name)))
            fail("duplicate part name \"" + name + "\"");
        total += st.size;
        if (total > kMaxTotal) fail("more than 1 GiB when expanded");
        package.index_.emplace(lower(name), package.entries_.size());
        if (folder && st.size == 0) {
            package.entries_.push_back({name, nullptr, nullptr, 0, 0, 0, true});  // folders are not parts
            continue;
        }
        package.entries_.push_back({name, nullptr, archive, static_cast<std::uint64_t>(i), st.size, st.comp_size, false});
    }
    return package;
}

namespace {

// Expands one entry, trusting its declared size no further than reading it out.
Bytes expand(const Package::Archive& archive, std::uint64_t index, std::uint64_t size, const std::string& name) {
    // Parts may be read long after the load. The archive stays open on the
    // file loaded, and a file rewritten in place since fails the entry's
    // checksum rather than giving other bytes.
    zip_t* zip = archive.zip;
    std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(zip, index, 0));
    if (!file) fail("cannot read entry \"" + name + "\": " + zip_strerror(zip));
    std::string data(static_cast<std::size_t>(size), '\0');
    std::size_t got = 0;
    for (;;) {
        // One byte of room beyond the declared size catches an entry that lies about it.
        char extra;
        const bool full = got == data.size();
        const zip_int64_t n = full ? zip_fread(file.get(), &extra, 1)
                                   : zip_fread(file.get(), data.data() + got, data.size() - got);
        if (n < 0) fail("damaged entry \"" + name + "\": " + zip_file_strerror(file.get()));
        if (n == 0) break;
        if (full) fail("entry \"" + name + "\" is larger than its directory says");
        got += static_cast<std::size_t>(n);
    }
    if (got != data.size()) fail("truncated entry \"" + name + "\"");
    return std::make_shared<const std::string>(std::move(data));
}

}  // namespace

const Package::Entry* Package::find(std::string_view name) const {
    auto it = index_.find(lower(name));
    return it == index_.end() || entries_[it->second].removed ? nullptr : &entries_[it->second];
}

const Package::Entry& Package::at(std::string_view name) const {
    const Entry* e = find(name);
    if (!e) fail("missing part \"" + std::string(name) + "\"");
    return *e;
}

bool Package::contains(std::string_view name) const { return find(name) != nullptr; }

const std::string& Package::bytes(std::string_view name) const { return *shared(name); }

Bytes Package::shared(std::string_view name) const {
    const Entry& e = at(name);
    if (!e.bytes) e.bytes = expand(*e.origin, e.index, e.size, e.name);
    return e.bytes;
}

namespace {
// Text compresses well, but not this well: past a grace size such a part is
// taken for a bomb.
void check_ratio(std::uint64_t size, std::uint64_t compressed, const std::string& name) {
    if (size > kRatioFloor && size > kMaxRatio * compressed)
        fail("entry \"" + name + "\" expands more than " + std::to_string(kMaxRatio) + " times");
}
}  // namespace

// 1 a DOCTYPE, 0 none, -1 the prolog runs past the end of `xml`.
int doctype_verdict(std::string_view xml);

const std::string& Package::parsed_bytes(std::string_view name) const {
    const Entry& e = at(name);
    if (!e.bytes) check_ratio(e.size, e.compressed, e.name);
    return bytes(name);
}

Bytes Package::parsed_once(std::string_view name) const {
    const Entry& e = at(name);
    if (e.bytes) return e.bytes;
    check_ratio(e.size, e.compressed, e.name);
    return expand(*e.origin, e.index, e.size, e.name);
}

bool Package::doctype(std::string_view name) const {
    const Entry& e = at(name);
    if (e.bytes) return has_doctype(*e.bytes);
    check_ratio(e.size, e.compressed, e.name);
    // Nearly every prolog is a declaration of a few dozen bytes.
    constexpr std::size_t kHead = 4096;
    if (e.size > kHead) {
        std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(e.origin->zip, e.index, 0));
        if (!file) fail("cannot read entry \"" + e.name + "\": " + zip_strerror(e.origin->zip));
        std::string head(kHead, '\0');
        std::size_t got = 0;
        while (got < head.size()) {
            const zip_int64_t n = zip_fread(file.get(), head.data() + got, head.size() - got);
            if (n < 0) fail("damaged entry \"" + e.name + "\": " + zip_file_strerror(file.get()));
            if (n == 0) break;
            got += static_cast<std::size_t>(n);
        }
        head.resize(got);
        if (const int verdict = doctype_verdict(head); verdict >= 0) return verdict == 1;
    }
    return has_doctype(*expand(*e.origin, e.index, e.size, e.name));
}

std::uint64_t Package::size(std::string_view name) const {
    const Entry& e = at(name);
    return e.bytes ? e.bytes->size() : e.size;
}

bool Package::loaded(std::string_view name) const { return at(name).bytes != nullptr; }

std::string Package::actual_name(std::string_view name) const {
    const Entry* e = find(name);
    return e ? e->name : std::string();
}

void Package::put(const std::string& name, Bytes bytes) {
    auto [it, added] = index_.emplace(lower(name), entries_.size());
    if (added) entries_.push_back({name, nullptr, nullptr, 0, 0, 0, false});
    Entry& e = entries_[it->second];
    e = {e.name, std::move(bytes), nullptr, 0, 0, 0, false};
}

void Package::remove(std::string_view name) {
    auto it = index_.find(lower(name));
    if (it != index_.end()) entries_[it->second].removed = true;
}

std::vector<std::string> Package::names() const {
    std::vector<std::string> out;
    for (const auto& e : entries_)
        if (!e.removed) out.push_back(e.name);
    return out;
}

namespace {
struct SourceFree {
    void operator()(zip_source_t* s) const { zip_source_free(s); }
};
[[noreturn]] void zip_fail(zip_error_t* error) {
    std::string why = zip_error_strerror(error);
    zip_error_fini(error);
    fail("cannot build the zip archive: " + why);
}
}  // namespace

std::string Package::write() const {
    zip_error_t error;
    zip_error_init(&error);
    std::unique_ptr<zip_source_t, SourceFree> buffer(zip_source_buffer_create(nullptr, 0, 0, &error));
    if (!buffer) zip_fail(&error);
    zip_t* zip = zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error);
    if (!zip) zip_fail(&error);
    zip_source_keep(buffer.get());  // zip_close must leave the buffer to us

    std::vector<const Entry*> order;
    for (const auto& e : entries_)
        if (!e.removed) order.push_back(&e);
    std::stable_partition(order.begin(), order.end(),
                          [](const Entry* e) { return e->name == "[Content_Types].xml"; });
    // Parts copied from the file they were read from must be the parts that
    // were loaded.
    std::set<const Archive*> checked;  // one look at each file, not one per part
    for (const Entry* e : order) {
        if (e->origin && checked.insert(e->origin.get()).second && e->origin->changed()) {
            zip_discard(zip);
            fail("the workbook file " + e->origin->path + " changed after it was loaded; nothing was written");
        }
    }
    for (const Entry* e : order) {
        // A part not replaced is copied as the archive holds it, still
        // compressed and with its method: inflating and deflating it again
        // was most of the cost of a save.
        zip_source_t* src = e->origin ? zip_source_zip(zip, e->origin->zip, e->index, ZIP_FL_COMPRESSED, 0, -1)
                                      : zip_source_buffer(zip, e->bytes->data(), e->bytes->size(), 0);
        const zip_int64_t at = src ? zip_file_add(zip, e->name.c_str(), src, ZIP_FL_ENC_UTF_8) : -1;
        if (at < 0) {
            if (src) zip_source_free(src);
            std::string why = zip_strerror(zip);
            zip_discard(zip);
            fail("cannot add \"" + e->name + "\" to the zip archive: " + why);
        }
        zip_stat_t st;
        if (e->origin && zip_stat_index(e->origin->zip, e->index, 0, &st) == 0 && (st.valid & ZIP_STAT_COMP_METHOD))
            zip_set_file_compression(zip, static_cast<zip_uint64_t>(at), st.comp_method, 0);
    }
    if (zip_close(zip) != 0) {
        std::string why = zip_strerror(zip);
        zip_discard(zip);
        fail("cannot build the zip archive: " + why);
    }

    std::string out;
    if (zip_source_open(buffer.get()) != 0) zip_fail(zip_source_error(buffer.get()));
    char chunk[65536];
    for (;;) {
        const zip_int64_t n = zip_source_read(buffer.get(), chunk, sizeof chunk);
        if (n < 0) {
            zip_source_close(buffer.get());
            zip_fail(zip_source_error(buffer.get()));
        }
        if (n == 0) break;
        out.append(chunk, static_cast<std::size_t>(n));
    }
    zip_source_close(buffer.get());
    return out;
}

int doctype_verdict(std::string_view xml) {
    // A DOCTYPE can only stand in the prolog: skip the BOM, blanks, the
    // declaration, processing instructions and comments, then look.
    std::size_t i = 0;
    if (xml.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
    for (;;) {
        while (i < xml.size() && std::isspace(static_cast<unsigned char>(xml[i]))) ++i;
        std::string_view rest = xml.substr(i);
        if (rest.substr(0, 2) == "<?") {
            auto end = rest.find("?>");
            if (end == std::string_view::npos) return -1;
            i += end + 2;
        } else if (rest.substr(0, 4) == "<!--") {
            auto end = rest.find("-->");
            if (end == std::string_view::npos) return -1;
            i += end + 3;
        } else if (rest.size() < 9) {
            return -1;
        } else {
            return lower(rest.substr(0, 9)) == "<!doctype";
        }
    }
}

bool has_doctype(std::string_view xml) { return doctype_verdict(xml) == 1; }

pugi::xml_document parse_xml(const std::string& bytes, std::string_view name) {
    if (has_doctype(bytes)) fail("part \"" + std::string(name) + "\" has a DOCTYPE, which is not allowed");
    pugi::xml_document doc;
    const auto result = doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_ws_pcdata_single,
                                        pugi::encoding_auto);
    if (!result) fail("part \"" + std::string(name) + "\" is not well-formed XML (" + result.description() + ")");
    return doc;
}

pugi::xml_document parse_part(const Package& package, std::string_view name) {
    return parse_xml(package.parsed_bytes(name), name);
}

namespace {

#ifdef QUILLETTE_FILE_FAULTS
bool inject(int FileFaults::*seen, int FileFaults::*fail_at) {
    FileFaults* f = file_faults;
    if (!f || ++(f->*seen) != f->*fail_at) return false;
    errno = f->error;
    return true;
}
ssize_t write_some(int fd, const char* data, std::size_t size) {
    if (file_faults && file_faults->max_write) size = std::min(size, file_faults->max_write);
    return inject(&FileFaults::writes, &FileFaults::fail_write) ? -1 : ::write(fd, data, size);
}
int sync_file(int fd) { return inject(&FileFaults::fsyncs, &FileFaults::fail_fsync) ? -1 : ::fsync(fd); }
int rename_file(const char* from, const char* to) {
    return inject(&FileFaults::renames, &FileFaults::fail_rename) ? -1 : ::rename(from, to);
}
#else
ssize_t write_some(int fd, const char* data, std::size_t size) { return ::write(fd, data, size); }
int sync_file(int fd) { return ::fsync(fd); }
int rename_file(const char* from, const char* to) { return ::rename(from, to); }
#endif

}  // namespace

void write_file_atomically(const std::string& path, const std::string& bytes) {
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string tmp = dir + "/." + base + ".XXXXXX";
    const int fd = mkstemp(tmp.data());
    if (fd < 0) fail(std::string("cannot create a temporary file in ") + dir + " (" + std::strerror(errno) + ")");
    auto give_up = [&](const char* what) {
        const int e = errno;
        ::close(fd);
        ::unlink(tmp.c_str());
        fail(std::string(what) + " (" + std::strerror(e) + ")");
    };
    // Keep the permissions and, where we may, the owner of the file being
    // replaced; a new file gets the usual ones.
    struct stat st;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const bool replacing = ::stat(path.c_str(), &st) == 0;
    if (replacing && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // Only root may give a file away; the new file stays ours then.
    }
    ::fchmod(fd, replacing ? (st.st_mode & 07777) : (0666 & ~mask));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write_some(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            give_up("cannot write the temporary file");
        }
        done += static_cast<std::size_t>(n);
    }
    if (sync_file(fd) != 0) give_up("cannot flush the temporary file");
    if (::close(fd) != 0) {
        ::unlink(tmp.c_str());
        fail(std::string("cannot close the temporary file (") + std::strerror(errno) + ")");
    }
    if (rename_file(tmp.c_str(), path.c_str()) != 0) {
        const int e = errno;
        ::unlink(tmp.c_str());
        fail(std::string("cannot replace the file (") + std::strerror(e) + ")");
    }
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

}  // namespace quill::xlsx::detail
