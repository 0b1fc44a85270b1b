#include "platform/win32/message_box.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <optional>

#include "platform/win32/errors.h"

namespace quill::win32 {

#ifdef QUILLETTE_SCRIPTED_BOXES
namespace {

std::optional<std::wstring> environment(const wchar_t* name) {
    const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return std::nullopt;
    std::wstring value(n, L'\0');
    const DWORD got = GetEnvironmentVariableW(name, value.data(), n);
    value.resize(got < n ? got : 0);
    return value;
}

std::u16string escaped(const std::u16string& text) {
    std::u16string out;
    for (char16_t c : text) {
        if (c == u'\r') {
            out += u"\\r";
        } else if (c == u'\n') {
            out += u"\\n";
        } else if (c == u'\\') {
            out += u"\\\\";
        } else {
            out += c;
        }
    }
    return out;
}

struct FileCloser {
    void operator()(FILE* f) const noexcept { fclose(f); }
};

MsgAnswer log_box(const std::wstring& path, const std::u16string& text, MsgButtons buttons,
                  const std::u16string& title) {
    std::unique_ptr<FILE, FileCloser> file(_wfopen(path.c_str(), L"ab"));
    if (!file) throw HostError(E_FAIL, u"The message log cannot be opened.");
    const std::string line = to_utf8(title + (buttons == MsgButtons::OK ? u"|OK|" : u"|YesNo|") + escaped(text)) + "\n";
    fwrite(line.data(), 1, line.size(), file.get());
    if (buttons == MsgButtons::OK) return MsgAnswer::OK;
    return environment(L"QUILLETTE_MSGBOX_ANSWER") == std::wstring(L"No") ? MsgAnswer::No : MsgAnswer::Yes;
}

}  // namespace
#endif

MsgAnswer Win32MessageBox::Show(const std::u16string& text, MsgButtons buttons, const std::u16string& title) {
#ifdef QUILLETTE_SCRIPTED_BOXES
    if (auto log = environment(L"QUILLETTE_MSGBOX_LOG"); log && !log->empty()) {
        return log_box(*log, text, buttons, title);
    }
#endif
    HWND owner = owner_ ? owner_() : nullptr;
    UINT style = buttons == MsgButtons::OK ? MB_OK : (MB_YESNO | MB_DEFBUTTON1);
    // A box of no window (the connection's, while Excel starts) would open
    // behind Excel's windows: it holds the whole thread and comes to the front.
    if (!owner) style |= MB_TASKMODAL | MB_SETFOREGROUND;
    const std::wstring wtext = to_wide(text);
    const std::wstring wtitle = to_wide(title);
    const int answer = MessageBoxW(owner, wtext.c_str(), wtitle.c_str(), style);
    switch (answer) {
        case IDOK: return MsgAnswer::OK;
        case IDYES: return MsgAnswer::Yes;
        case IDNO: return MsgAnswer::No;
        default: throw error_from_hresult(HRESULT_FROM_WIN32(GetLastError()), u"The message box cannot be shown.");
    }
}

}  // namespace quill::win32
