#pragma once
// Code-page port: how the formatted transfer compares an editor character
// with a comment character. The two are compared by their ANSI codes in the
// system code page, not by their UTF-16 units, so two characters the code
// page cannot represent both become its default character and compare equal.
//
// The portable build uses Windows-1252 (windows_1252()); the Windows build
// converts with the system code page (WideCharToMultiByte with CP_ACP) and
// hands its implementation to the form through FormServices::code_page.
#include <cstdint>

namespace quill {

class CodePage {
public:
    virtual ~CodePage() = default;
    // The ANSI code of one UTF-16 unit: a single byte 0..255, or for a
    // double-byte code page lead * 256 + trail. A unit the code page cannot
    // represent (a lone surrogate included) yields the code page's default
    // character, '?' (63) in the Windows code pages. Never throws.
    virtual std::int32_t Asc(char16_t unit) const = 0;
};

inline constexpr std::int32_t kDefaultChar = u'?';

// Windows-1252, exactly (no best-fit mapping): Latin-1 except 0x80..0x9F,
// where the code page holds the euro sign, typographic quotes and the like.
const CodePage& windows_1252();

}  // namespace quill
