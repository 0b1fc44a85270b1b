#pragma once
// Per-user settings store, keyed by application name, section and key, as the
// platform's GetSetting/SaveSetting are. Windows keeps it in the registry; the
// portable build in memory or in a file under the user's config directory.
#include <string>

namespace quill {

class SettingsPort {
public:
    virtual ~SettingsPort() = default;
    // The stored value, or `fallback` when there is none (or the store cannot
    // be read). May throw HostError.
    virtual std::u16string GetSetting(const std::u16string& app, const std::u16string& section,
                                      const std::u16string& key, const std::u16string& fallback) = 0;
    // Throws HostError when the value cannot be written.
    virtual void SaveSetting(const std::u16string& app, const std::u16string& section,
                             const std::u16string& key, const std::u16string& value) = 0;
};

}  // namespace quill
