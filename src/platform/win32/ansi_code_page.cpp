#include "platform/win32/ansi_code_page.h"

#include <windows.h>

namespace quill::win32 {

namespace {
class SystemCodePage final : public CodePage {
public:
    std::int32_t Asc(char16_t unit) const override {
        const wchar_t wide = static_cast<wchar_t>(unit);
        char bytes[4] = {};
        BOOL lossy = FALSE;
        const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, sizeof bytes, nullptr, &lossy);
        if (n <= 0 || lossy) return kDefaultChar;
        if (n == 1) return static_cast<unsigned char>(bytes[0]);
        return static_cast<unsigned char>(bytes[0]) * 256 + static_cast<unsigned char>(bytes[1]);
    }
};
}  // namespace

std::shared_ptr<const CodePage> system_code_page() {
    static const auto page = std::make_shared<const SystemCodePage>();
    return page;
}

}  // namespace quill::win32
