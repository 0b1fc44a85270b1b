#include "ports/code_page.h"

#include <array>

namespace quill {

namespace {

// The characters of 0x80..0x9F; 0 where Windows-1252 leaves the byte to the
// C1 control of the same number (0x81, 0x8D, 0x8F, 0x90, 0x9D).
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

class Windows1252 final : public CodePage {
public:
    std::int32_t Asc(char16_t u) const override {
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
        if (u <= 0x9F) return kHigh[u - 0x80] == 0 ? u : kDefaultChar;  // a C1 control
        for (std::size_t i = 0; i < kHigh.size(); ++i)
            if (kHigh[i] != 0 && kHigh[i] == u) return static_cast<std::int32_t>(0x80 + i);
        return kDefaultChar;
    }
};

}  // namespace

const CodePage& windows_1252() {
    static const Windows1252 page;
    return page;
}

}  // namespace quill
