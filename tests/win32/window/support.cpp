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

namespace {
Pixels from_dc(HDC source, int x, int y, int w, int h, const std::function<void(HDC)>& paint) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const WindowDc screen(nullptr);
    const UniqueHBitmap dib(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const UniqueMemoryDc mem(CreateCompatibleDC(screen.get()));
    const SelectedObject selected(mem.get(), dib.get());
    if (source) {
        BitBlt(mem.get(), 0, 0, w, h, source, x, y, SRCCOPY);
    } else {
        RECT all{0, 0, w, h};
        FillRect(mem.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        paint(mem.get());
    }
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    return Pixels{w, h, {p, p + static_cast<std::size_t>(w) * static_cast<std::size_t>(h)}};
}
}  // namespace

Pixels capture(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    const Pixels shot = from_dc(WindowDc(nullptr).get(), r.left, r.top, r.right - r.left, r.bottom - r.top, {});
    for (std::uint32_t p : shot.bgra)
        if (p & 0xFFFFFF) return shot;
    return render(r.right - r.left, r.bottom - r.top, [&](HDC dc) { PrintWindow(hwnd, dc, 0); });
}

Pixels render(int width, int height, const std::function<void(HDC)>& paint) {
    return from_dc(nullptr, 0, 0, width, height, paint);
}

bool write_image(const std::wstring& path, const Pixels& pixels, const GUID& container) {
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.put()))))
        return false;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    std::vector<std::uint32_t> rows = pixels.bgra;
    for (auto& p : rows) p |= 0xFF000000u;  // the screen has no alpha: opaque
    return SUCCEEDED(factory->CreateStream(stream.put())) &&
           SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
           SUCCEEDED(factory->CreateEncoder(container, nullptr, encoder.put())) &&
           SUCCEEDED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) &&
           SUCCEEDED(encoder->CreateNewFrame(frame.put(), nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
           SUCCEEDED(frame->SetSize(static_cast<UINT>(pixels.width), static_cast<UINT>(pixels.height))) &&
           SUCCEEDED(frame->SetPixelFormat(&format)) && format == GUID_WICPixelFormat32bppBGRA &&
           SUCCEEDED(frame->WritePixels(static_cast<UINT>(pixels.height), static_cast<UINT>(pixels.width) * 4,
                                        static_cast<UINT>(rows.size() * 4), reinterpret_cast<BYTE*>(rows.data()))) &&
           SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

std::wstring window_text(HWND hwnd) {
    wchar_t buffer[512] = L"";
    GetWindowTextW(hwnd, buffer, 512);
    return buffer;
}

HWND create_xlmain(const wchar_t* title, DWORD style) {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"XLMAIN";
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    return CreateWindowExW(0, L"XLMAIN", title, style, 0, 0, 900, 700, nullptr, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

std::wstring temp_path(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

FormOnScreen::FormOnScreen(HWND host) {
    // The overwrite warnings of the check boxes go to a file, not the screen.
    SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", temp_path(L"quill-window-boxes.log").c_str());
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
