#include "support.h"

#include "platform/win32/handles.h"

using quill::win32::ComPtr;

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
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lp) -> BOOL {
            wchar_t cls[64];
            if (IsWindowVisible(hwnd) && GetClassNameW(hwnd, cls, 64) && std::wstring(cls) == L"#32770") {
                *reinterpret_cast<HWND*>(lp) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (!found) return;
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
    Pixels out;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, dib);
    if (source) {
        BitBlt(mem, 0, 0, w, h, source, x, y, SRCCOPY);
    } else {
        RECT all{0, 0, w, h};
        FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        paint(mem);
    }
    GdiFlush();
    out.width = w;
    out.height = h;
    const auto* p = static_cast<const std::uint32_t*>(bits);
    out.bgra.assign(p, p + static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(dib);
    ReleaseDC(nullptr, screen);
    return out;
}
}  // namespace

Pixels capture(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    HDC screen = GetDC(nullptr);
    Pixels shot = from_dc(screen, r.left, r.top, r.right - r.left, r.bottom - r.top, {});
    ReleaseDC(nullptr, screen);
    bool blank = true;
    for (std::uint32_t p : shot.bgra) blank = blank && (p & 0xFFFFFF) == 0;
    if (!blank) return shot;
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
    if (FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) ||
        FAILED(factory->CreateEncoder(container, nullptr, encoder.put())) ||
        FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.put(), nullptr)) || FAILED(frame->Initialize(nullptr)) ||
        FAILED(frame->SetSize(static_cast<UINT>(pixels.width), static_cast<UINT>(pixels.height))))
        return false;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    if (FAILED(frame->SetPixelFormat(&format))) return false;
    std::vector<std::uint32_t> rows = pixels.bgra;
    if (format == GUID_WICPixelFormat32bppBGRA) {
        for (auto& p : rows) p |= 0xFF000000u;  // the screen has no alpha: opaque
        if (FAILED(frame->WritePixels(static_cast<UINT>(pixels.height), static_cast<UINT>(pixels.width) * 4,
                                      static_cast<UINT>(rows.size() * 4), reinterpret_cast<BYTE*>(rows.data()))))
            return false;
    } else {
        // The encoder wants its own format: convert through a WIC bitmap.
        ComPtr<IWICBitmap> bitmap;
        if (FAILED(factory->CreateBitmapFromMemory(static_cast<UINT>(pixels.width), static_cast<UINT>(pixels.height),
                                                   GUID_WICPixelFormat32bppBGRA, static_cast<UINT>(pixels.width) * 4,
                                                   static_cast<UINT>(rows.size() * 4),
                                                   reinterpret_cast<BYTE*>(rows.data()), bitmap.put())))
            return false;
        ComPtr<IWICFormatConverter> converter;
        if (FAILED(factory->CreateFormatConverter(converter.put())) ||
            FAILED(converter->Initialize(bitmap.get(), format, WICBitmapDitherTypeNone, nullptr, 0,
                                         WICBitmapPaletteTypeMedianCut)) ||
            FAILED(frame->WriteSource(converter.get(), nullptr)))
            return false;
    }
    return SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
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

std::string narrow(const std::wstring& s) {
    std::string out;
    for (wchar_t c : s) out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

}  // namespace wintest
