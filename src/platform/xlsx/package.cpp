#include "platform/xlsx/package.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

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

bool file_starts_like_zip(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char sig[4] = {};
    in.read(sig, 4);
    return starts_like_zip(std::string_view(sig, static_cast<std::size_t>(in.gcount())));
}

// `looks_like_zip` is only asked when the archive itself is at fault.
template <class LooksLikeZip>
std::string open_error(int code, LooksLikeZip looks_like_zip) {
    switch (code) {
    case ZIP_ER_NOENT: return "file not found";
    case ZIP_ER_OPEN:
    case ZIP_ER_READ: return std::string("cannot read the file (") + std::strerror(errno) + ")";
    case ZIP_ER_MEMORY: throw std::bad_alloc();
    default:
        return looks_like_zip() ? "truncated or damaged zip archive" : "not a zip archive (an .xlsx file is one)";
    }
}

Package read_archive(zip_t* archive);

}  // namespace

std::optional<Package::SourceFile> Package::identify(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return SourceFile{path, static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                      static_cast<std::uint64_t>(st.st_size),
                      static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

Package Package::read(const std::string& path) {
    // Taken before the file is opened: a change made while it is read shows.
    std::error_code ec;
    const auto before = identify(std::filesystem::absolute(path, ec).string());
    int code = 0;
    std::unique_ptr<zip_t, ZipCloser> zip(zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
    if (!zip) fail(open_error(code, [&] { return file_starts_like_zip(path); }));
    Package package = read_archive(zip.get());
    package.source_ = before;
    if (before)
        for (auto& e : package.entries_) e.source_index = zip_name_locate(zip.get(), e.name.c_str(), 0);
    return package;
}

Package Package::from_bytes(std::string_view bytes) {
    // libzip takes an empty buffer for an empty archive, an empty file for none.
    if (bytes.empty()) fail(open_error(ZIP_ER_NOZIP, [] { return false; }));
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (!src) {
        zip_error_fini(&error);
        throw std::bad_alloc();
    }
    std::unique_ptr<zip_t, ZipCloser> zip(zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!zip) {
        zip_source_free(src);
        const int code = zip_error_code_zip(&error);
        zip_error_fini(&error);
        fail(open_error(code, [&] { return starts_like_zip(bytes); }));
    }
    return read_archive(zip.get());
}

namespace {

Package read_archive(zip_t* archive) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count < 0) fail("damaged zip archive");
    if (static_cast<std::uint64_t>(count) > kMaxEntries)
        fail("too many entries (" + std::to_string(count) + ", at most " + std::to_string(kMaxEntries) + ")");

    // Everything the directory tells is checked before anything is expanded.
    struct Item {
        zip_uint64_t index;
        std::string name;
        zip_uint64_t size;
    };
    std::vector<Item> items;
    std::unordered_map<std::string, bool> seen;
    std::uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
            fail("damaged zip directory");
        const std::string name = st.name;
        const bool folder = !name.empty() && name.back() == '/';
        check_part_name(folder ? std::string_view(name).substr(0, name.size() - 1) : std::string_view(name));
        if (!seen.emplace(lower(name), true).second) fail("duplicate part name \"" + name + "\"");
        if (folder && st.size == 0) continue;  // folder entries are not parts
        if (st.size > kRatioFloor && st.size > kMaxRatio * st.comp_size)
            fail("entry \"" + name + "\" expands more than " + std::to_string(kMaxRatio) + " times");
        total += st.size;
        if (total > kMaxTotal) fail("more than 2 GiB when expanded");
        items.push_back({static_cast<zip_uint64_t>(i), name, st.size});
    }

    Package package;
    for (const auto& item : items) {
        const std::string& name = item.name;
        std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(archive, item.index, 0));
        if (!file) fail("cannot read entry \"" + name + "\": " + zip_strerror(archive));
        std::string data(static_cast<std::size_t>(item.size), '\0');
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
        package.put(name, std::move(data));
    }
    return package;
}

}  // namespace

bool Package::contains(std::string_view name) const {
    auto it = index_.find(lower(name));
    return it != index_.end() && entries_[it->second].bytes;
}

const std::string& Package::bytes(std::string_view name) const {
    auto it = index_.find(lower(name));
    if (it == index_.end() || !entries_[it->second].bytes) fail("missing part \"" + std::string(name) + "\"");
    return *entries_[it->second].bytes;
}

Bytes Package::shared(std::string_view name) const {
    bytes(name);
    return entries_[index_.at(lower(name))].bytes;
}

std::string Package::actual_name(std::string_view name) const {
    auto it = index_.find(lower(name));
    return it != index_.end() && entries_[it->second].bytes ? entries_[it->second].name : std::string();
}

void Package::put(const std::string& name, Bytes bytes) {
    auto [it, added] = index_.emplace(lower(name), entries_.size());
    if (added) {
        entries_.push_back({name, std::move(bytes)});
    } else {
        entries_[it->second].bytes = std::move(bytes);
        entries_[it->second].source_index = -1;
    }
}

void Package::remove(std::string_view name) {
    auto it = index_.find(lower(name));
    if (it != index_.end()) entries_[it->second].bytes.reset();
}

std::vector<std::string> Package::names() const {
    std::vector<std::string> out;
    for (const auto& e : entries_)
        if (e.bytes) out.push_back(e.name);
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
        if (e.bytes) order.push_back(&e);
    std::stable_partition(order.begin(), order.end(),
                          [](const Entry* e) { return e->name == "[Content_Types].xml"; });
    // Unchanged parts come from the file they were read from, still deflated:
    // inflating and deflating them again is most of the cost of a save.
    std::unique_ptr<zip_t, ZipCloser> source;
    if (source_ && std::any_of(order.begin(), order.end(), [](const Entry* e) { return e->source_index >= 0; })) {
        int code = 0;
        if (identify(source_->path) == source_) source.reset(zip_open(source_->path.c_str(), ZIP_RDONLY, &code));
        if (!source || identify(source_->path) != source_) {
            zip_discard(zip);
            fail("the workbook file " + source_->path + " changed after it was loaded; nothing was written");
        }
    }
    for (const Entry* e : order) {
        const bool raw = e->source_index >= 0 && source;
        const auto from = static_cast<zip_uint64_t>(e->source_index);
        zip_source_t* src = raw ? zip_source_zip(zip, source.get(), from, ZIP_FL_COMPRESSED, 0, -1)
                                : zip_source_buffer(zip, e->bytes->data(), e->bytes->size(), 0);
        const zip_int64_t at = src ? zip_file_add(zip, e->name.c_str(), src, ZIP_FL_ENC_UTF_8) : -1;
        if (at < 0) {
            if (src) zip_source_free(src);
            std::string why = zip_strerror(zip);
            zip_discard(zip);
            fail("cannot add \"" + e->name + "\" to the zip archive: " + why);
        }
        // The part keeps its method too (a stored part would otherwise be
        // deflated now), so its bytes are copied as they are.
        zip_stat_t st;
        if (raw && zip_stat_index(source.get(), from, 0, &st) == 0 && (st.valid & ZIP_STAT_COMP_METHOD))
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

bool has_doctype(std::string_view xml) {
    // A DOCTYPE can only stand in the prolog: skip the BOM, blanks, the
    // declaration, processing instructions and comments, then look.
    std::size_t i = 0;
    if (xml.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
    for (;;) {
        while (i < xml.size() && std::isspace(static_cast<unsigned char>(xml[i]))) ++i;
        std::string_view rest = xml.substr(i);
        if (rest.substr(0, 2) == "<?") {
            auto end = rest.find("?>");
            if (end == std::string_view::npos) return false;
            i += end + 2;
        } else if (rest.substr(0, 4) == "<!--") {
            auto end = rest.find("-->");
            if (end == std::string_view::npos) return false;
            i += end + 3;
        } else {
            return rest.size() >= 9 && lower(rest.substr(0, 9)) == "<!doctype";
        }
    }
}

pugi::xml_document parse_xml(const std::string& bytes, std::string_view name) {
    if (has_doctype(bytes)) fail("part \"" + std::string(name) + "\" has a DOCTYPE, which is not allowed");
    pugi::xml_document doc;
    const auto result = doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_ws_pcdata_single,
                                        pugi::encoding_auto);
    if (!result) fail("part \"" + std::string(name) + "\" is not well-formed XML (" + result.description() + ")");
    return doc;
}

pugi::xml_document parse_part(const Package& package, std::string_view name) {
    return parse_xml(package.bytes(name), name);
}

namespace {

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
    // Keep the permissions of the file being replaced; a new file gets the usual ones.
    struct stat st;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~mask));
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
