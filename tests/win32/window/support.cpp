#include "support.h"

#include "platform/win32/handles.h"

using namespace quill::win32;

namespace wintest {

void pump(int rounds) {
    for (int i = 0; i < rounds; ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

namespace {
DialogAnswer* g_answer = nullptr;
}

DialogAnswer::DialogAnswer(UINT command, std::function<void(HWND)> inspect)
    : command_(command), inspect_(std::move(inspect)) {
    g_answer = this;
    timer_ = SetTimer(nullptr, 0, 50, tick);
}

DialogAnswer::~DialogAnswer() {
    if (timer_) KillTimer(nullptr, timer_);
    g_answer = nullptr;
}

void CALLBACK DialogAnswer::tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogAnswer* self = g_answer;
    if (!self || self->answered_) return;
    HWND found = FindWindowW(L"#32770", nullptr);
    if (!found || GetWindowThreadProcessId(found, nullptr) != GetCurrentThreadId()) return;
    self->answered_ = true;
    if (self->inspect_) self->inspect_(found);
    PostMessageW(found, WM_COMMAND, MAKEWPARAM(self->command_, BN_CLICKED), 0);
}

COLORREF Pixels::at(int x, int y) const {
    const std::uint32_t p = bgra[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

Pixels render(int width, int height, const std::function<void(HDC)>& paint) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const WindowDc screen(nullptr);
    const UniqueHBitmap dib(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const UniqueMemoryDc mem(CreateCompatibleDC(screen.get()));
    const SelectedObject selected(mem.get(), dib.get());
    RECT all{0, 0, width, height};
    FillRect(mem.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    paint(mem.get());
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    return Pixels{width, height, {p, p + static_cast<std::size_t>(width) * static_cast<std::size_t>(height)}};
}

std::wstring window_text(HWND hwnd) {
    wchar_t buffer[512] = L"";
    GetWindowTextW(hwnd, buffer, 512);
    return buffer;
}

FormOnScreen::FormOnScreen(HWND host) {
    // The overwrite warnings of the check boxes go to a file, not the screen.
    SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", temp_file(L"qwb").c_str());
    excel->hwnd = static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(host));
    form = std::dynamic_pointer_cast<quill::dialog::frmAddIn>(window_dialog_factory()());
    form->on_event = [this](std::u16string_view name, quill::dialog::Event) {
        events.push_back(quill::to_utf8(std::u16string(name)));
    };
    form->set_xlapp(excel->application());
    form->Show();
    window = form_window_of(*form);
    pump();
}

FormOnScreen::~FormOnScreen() {
    form->Unload();
    pump();
    SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", nullptr);
}

}  // namespace wintest
