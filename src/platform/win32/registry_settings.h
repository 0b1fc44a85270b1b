#pragma once
// The per-user settings store of Windows, where the host's GetSetting and
// SaveSetting keep theirs:
// HKCU\Software\VB and VBA Program Settings\<app>\<section>, value <key>, REG_SZ.
#include "ports/settings.h"

namespace quill::win32 {

class RegistrySettings final : public SettingsPort {
public:
    std::u16string GetSetting(const std::u16string& app, const std::u16string& section, const std::u16string& key,
                              const std::u16string& fallback) override;
    void SaveSetting(const std::u16string& app, const std::u16string& section, const std::u16string& key,
                     const std::u16string& value) override;
};

}  // namespace quill::win32
