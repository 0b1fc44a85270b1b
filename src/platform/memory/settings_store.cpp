#include "platform/memory/settings_store.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "ports/host_error.h"

namespace quill::memory {

std::u16string MemorySettings::GetSetting(const std::u16string& app, const std::u16string& section,
                                          const std::u16string& key, const std::u16string& fallback) {
    auto it = values_.find({app, section, key});
    return it == values_.end() ? fallback : it->second;
}

void MemorySettings::SaveSetting(const std::u16string& app, const std::u16string& section, const std::u16string& key,
                                 const std::u16string& value) {
    values_[{app, section, key}] = value;
}

void MemorySettings::Remove(const std::u16string& app, const std::u16string& section, const std::u16string& key) {
    values_.erase({app, section, key});
}

FileSettings::FileSettings(std::filesystem::path dir) : dir_(std::move(dir)) {}

std::filesystem::path FileSettings::DefaultDirectory() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return std::filesystem::path(xdg) / "quillette";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".config" / "quillette";
    return std::filesystem::path(".config") / "quillette";
}

namespace {
// Names become file names and ini keys: keep only what cannot break either.
bool safe_name(const std::string& s) {
    if (s.empty() || s.size() > 200) return false;
    for (char c : s)
        if (c == '/' || c == '\\' || c == '\n' || c == '\r' || c == '=' || c == '[' || c == ']' || c == '\0')
            return false;
    return s != "." && s != "..";
}
bool safe_value(const std::string& s) { return s.find_first_of("\n\r", 0) == std::string::npos; }
}  // namespace

std::filesystem::path FileSettings::file_for(const std::u16string& app) const {
    const std::string name = to_utf8(app);
    if (!safe_name(name)) throw err::InvalidProcedureCall();
    return dir_ / (name + ".ini");
}

FileSettings::Sections FileSettings::read(const std::filesystem::path& file) {
    Sections out;
    std::ifstream in(file, std::ios::binary);
    if (!in) return out;
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[') {
            if (line.back() != ']') return {};  // corrupt: read as empty
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos || section.empty()) return {};
        out[section][line.substr(0, eq)] = line.substr(eq + 1);
    }
    return out;
}

std::u16string FileSettings::GetSetting(const std::u16string& app, const std::u16string& section,
                                        const std::u16string& key, const std::u16string& fallback) {
    std::filesystem::path file;
    try {
        file = file_for(app);
    } catch (const HostError&) {
        return fallback;
    }
    const Sections all = read(file);
    const auto s = all.find(to_utf8(section));
    if (s == all.end()) return fallback;
    const auto k = s->second.find(to_utf8(key));
    return k == s->second.end() ? fallback : to_u16(k->second);
}

void FileSettings::SaveSetting(const std::u16string& app, const std::u16string& section, const std::u16string& key,
                               const std::u16string& value) {
    const auto file = file_for(app);
    const std::string sec = to_utf8(section), k = to_utf8(key), v = to_utf8(value);
    if (!safe_name(sec) || !safe_name(k) || !safe_value(v)) throw err::InvalidProcedureCall();
    Sections all = read(file);
    all[sec][k] = v;
    std::ostringstream text;
    for (const auto& [name, entries] : all) {
        text << '[' << name << "]\n";
        for (const auto& [ek, ev] : entries) text << ek << '=' << ev << '\n';
    }
    std::error_code ec;
    std::filesystem::create_directories(dir_, ec);
    const auto tmp = file.string() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text.str();
        out.flush();
        if (!out) {
            std::filesystem::remove(tmp, ec);
            throw HostError(75, u"Path/File access error: " + to_u16(tmp));
        }
    }
    std::filesystem::rename(tmp, file, ec);
    if (ec) {
        std::filesystem::remove(tmp, ec);
        throw HostError(75, u"Path/File access error: " + to_u16(file.string()));
    }
}

}  // namespace quill::memory
