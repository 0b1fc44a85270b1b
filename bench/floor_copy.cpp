// The physical floor of load + change one note + save: of a workbook, only
// the parts that the edit changes are inflated and deflated again (at
// libzip's default level, which our save uses too); every other part is
// copied as its compressed bytes. Nothing is parsed.
//
//   floor_copy IN.xlsx EDITED.xlsx [repetitions]
//
// EDITED is IN after the edit (bench_xlsx --edit writes it): a part whose
// uncompressed bytes differ between the two, or that only EDITED has, is a
// changed part, and its new bytes are what is deflated. Prints
// {"ms": fastest repetition, "first_ms", "changed", "parts"} as JSON.
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

zip_t* open_zip(const std::string& path, int flags) {
    int error = 0;
    zip_t* z = zip_open(path.c_str(), flags, &error);
    if (!z) throw std::runtime_error("cannot open " + path);
    return z;
}

std::string inflate(zip_t* z, zip_uint64_t index) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(z, index, 0, &st) != 0) throw std::runtime_error("stat");
    std::string bytes(st.size, '\0');
    zip_file_t* f = zip_fopen_index(z, index, 0);
    if (!f) throw std::runtime_error("fopen");
    const zip_int64_t n = zip_fread(f, bytes.data(), bytes.size());
    zip_fclose(f);
    if (n < 0 || static_cast<zip_uint64_t>(n) != st.size) throw std::runtime_error("read");
    return bytes;
}

std::map<std::string, std::string> changed_parts(const std::string& in, const std::string& edited) {
    zip_t* a = open_zip(in, ZIP_RDONLY);
    zip_t* b = open_zip(edited, ZIP_RDONLY);
    std::map<std::string, std::string> out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(b, 0); ++i) {
        const std::string name = zip_get_name(b, static_cast<zip_uint64_t>(i), 0);
        std::string after = inflate(b, static_cast<zip_uint64_t>(i));
        const zip_int64_t j = zip_name_locate(a, name.c_str(), 0);
        if (j < 0 || inflate(a, static_cast<zip_uint64_t>(j)) != after) out.emplace(name, std::move(after));
    }
    zip_discard(a);
    zip_discard(b);
    return out;
}

// One load + save at the floor: the changed parts' old bytes inflated (a
// loader must read them), their new bytes deflated, the rest copied raw.
void once(const std::string& in, const std::map<std::string, std::string>& changed, const std::string& out) {
    zip_t* src = open_zip(in, ZIP_RDONLY);
    zip_t* dst = open_zip(out, ZIP_CREATE | ZIP_TRUNCATE);
    std::vector<std::string> kept;  // inflated old bytes, alive until the archive is written
    for (zip_int64_t i = 0; i < zip_get_num_entries(src, 0); ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const std::string name = zip_get_name(src, index, 0);
        const auto c = changed.find(name);
        zip_source_t* s = nullptr;
        if (c != changed.end()) {
            kept.push_back(inflate(src, index));
            s = zip_source_buffer(dst, c->second.data(), c->second.size(), 0);
        } else {
            s = zip_source_zip(dst, src, index, ZIP_FL_COMPRESSED, 0, -1);
        }
        if (!s || zip_file_add(dst, name.c_str(), s, ZIP_FL_ENC_UTF_8) < 0) throw std::runtime_error("add " + name);
    }
    for (const auto& [name, bytes] : changed) {
        if (zip_name_locate(src, name.c_str(), 0) >= 0) continue;
        zip_source_t* s = zip_source_buffer(dst, bytes.data(), bytes.size(), 0);
        if (!s || zip_file_add(dst, name.c_str(), s, ZIP_FL_ENC_UTF_8) < 0) throw std::runtime_error("add " + name);
    }
    if (zip_close(dst) != 0) throw std::runtime_error("write " + out);
    zip_discard(src);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: floor_copy IN.xlsx EDITED.xlsx [repetitions]\n");
        return 2;
    }
    try {
        const std::string in = argv[1];
        const int reps = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
        const auto changed = changed_parts(in, argv[2]);
        const std::string out = (std::filesystem::temp_directory_path() / "floor_copy_out.xlsx").string();
        std::vector<double> ms;
        for (int r = 0; r < reps; ++r) {
            const auto t0 = std::chrono::steady_clock::now();
            once(in, changed, out);
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        }
        std::filesystem::remove(out);
        zip_t* z = open_zip(in, ZIP_RDONLY);
        const auto parts = zip_get_num_entries(z, 0);
        zip_discard(z);
        std::printf("{\"ms\": %.3f, \"first_ms\": %.3f, \"changed\": %zu, \"parts\": %lld}\n",
                    *std::min_element(ms.begin(), ms.end()), ms.front(), changed.size(),
                    static_cast<long long>(parts));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "floor_copy: %s\n", e.what());
        return 1;
    }
}
