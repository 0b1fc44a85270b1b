#pragma once
// Settings stores for the portable build: one in memory (tests), one in a
// per-user file (the command-line tool).
#include <filesystem>
#include <map>
#include <string>
#include <tuple>

#include "ports/settings.h"

namespace quill::memory {

class MemorySettings : public SettingsPort {
public:
    std::u16string GetSetting(const std::u16string& app, const std::u16string& section, const std::u16string& key,
                              const std::u16string& fallback) override;
    void SaveSetting(const std::u16string& app, const std::u16string& section, const std::u16string& key,
                     const std::u16string& value) override;
    void Remove(const std::u16string& app, const std::u16string& section, const std::u16string& key);

private:
    std::map<std::tuple<std::u16string, std::u16string, std::u16string>, std::u16string> values_;
};

// One file per application, "<dir>/<app>.ini", with "[section]" headers and
// "key=value" lines in UTF-8. Saving writes a temporary file beside it and
// renames it over the old one, so a crash never leaves half a file. A file
// that cannot be read or parsed counts as holding no values.
class FileSettings : public SettingsPort {
public:
    explicit FileSettings(std::filesystem::path dir);
    // $XDG_CONFIG_HOME/quillette, else ~/.config/quillette.
    static std::filesystem::path DefaultDirectory();

    std::u16string GetSetting(const std::u16string& app, const std::u16string& section, const std::u16string& key,
                              const std::u16string& fallback) override;
    void SaveSetting(const std::u16string& app, const std::u16string& section, const std::u16string& key,
                     const std::u16string& value) override;

private:
    using Sections = std::map<std::string, std::map<std::string, std::string>>;
    std::filesystem::path file_for(const std::u16string& app) const;
    static Sections read(const std::filesystem::path& file);
    std::filesystem::path dir_;
};

}  // namespace quill::memory
