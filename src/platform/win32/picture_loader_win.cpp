#include "platform/win32/picture_loader_win.h"

#include <wincodec.h>

#include <map>
#include <mutex>
#include <vector>

#include "ports/host_error.h"
#include "platform/win32/errors.h"

namespace quill::win32 {

namespace {

HostError file_not_found() { return HostError(53, u"File not found"); }
HostError invalid_picture() { return HostError(481, u"Invalid picture"); }

class BitmapPicture final : public RenderablePicture {
public:
    BitmapPicture(UniqueHBitmap bitmap, int width, int height)
        : bitmap_(std::move(bitmap)), width_(width), height_(height) {}
    void draw(HDC dc, const RECT& target) const override {
        const UniqueMemoryDc source(CreateCompatibleDC(dc));
        if (!source) return;
        const SelectedObject selected(source.get(), bitmap_.get());
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        GdiAlphaBlend(dc, target.left, target.top, target.right - target.left, target.bottom - target.top,
                      source.get(), 0, 0, width_, height_, blend);
    }

private:
    UniqueHBitmap bitmap_;
    int width_, height_;
};

class OlePicture final : public RenderablePicture {
public:
    explicit OlePicture(ComPtr<IPicture> picture) : picture_(std::move(picture)) {}
    void draw(HDC dc, const RECT& target) const override {
        OLE_XSIZE_HIMETRIC w = 0;
        OLE_YSIZE_HIMETRIC h = 0;
        picture_->get_Width(&w);
        picture_->get_Height(&h);
        picture_->Render(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, 0, h, w,
                         -h, &target);
    }

private:
    ComPtr<IPicture> picture_;
};

// A critical section: the win32 thread model of the toolchain has no
// std::mutex, and SRW locks need Vista.
class LiveLock {
public:
    LiveLock() noexcept { InitializeCriticalSection(&section_); }
    ~LiveLock() { DeleteCriticalSection(&section_); }
    LiveLock(const LiveLock&) = delete;
    LiveLock& operator=(const LiveLock&) = delete;
    void lock() noexcept { EnterCriticalSection(&section_); }
    void unlock() noexcept { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};
LiveLock g_live_mutex;
std::map<const dialog::Picture*, const RenderablePicture*> g_live;

// A picture and its drawing data in one allocation; registered while alive.
struct Loaded {
    Loaded(dialog::Picture p, std::unique_ptr<RenderablePicture> r) : picture(std::move(p)), render(std::move(r)) {
        std::lock_guard<LiveLock> lock(g_live_mutex);
        g_live.emplace(&picture, render.get());
    }
    ~Loaded() {
        std::lock_guard<LiveLock> lock(g_live_mutex);
        g_live.erase(&picture);
    }
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;
    dialog::Picture picture;
    std::unique_ptr<RenderablePicture> render;
};

// Decodes a raster file with WIC; nothing when WIC cannot read it.
std::unique_ptr<RenderablePicture> decode_raster(const std::wstring& path, int& width, int& height) {
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.put()))))
        return nullptr;
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                  decoder.put())))
        return nullptr;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(decoder->GetFrame(0, frame.put())) || FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)))
        throw invalid_picture();  // a file of a known kind that does not decode
    UINT w = 0, h = 0;
    if (FAILED(converter->GetSize(&w, &h)) || w == 0 || h == 0 || w > 32768 || h > 32768) throw invalid_picture();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(w);
    info.bmiHeader.biHeight = -static_cast<LONG>(h);  // top-down, as WIC delivers rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueHBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) throw HostError(7, u"Out of memory");
    const UINT stride = w * 4;
    if (FAILED(converter->CopyPixels(nullptr, stride, stride * h, static_cast<BYTE*>(bits)))) throw invalid_picture();
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return std::make_unique<BitmapPicture>(std::move(bitmap), width, height);
}

// Metafiles (and anything else OLE's picture object reads) from the file's bytes.
std::unique_ptr<RenderablePicture> decode_ole(const std::wstring& path, int& width, int& height) {
    const HANDLE opened =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (opened == INVALID_HANDLE_VALUE) throw file_not_found();
    UniqueHandle file(opened);
    LARGE_INTEGER size{};
    const bool sized = GetFileSizeEx(file.get(), &size) && size.QuadPart > 0 && size.QuadPart < (1LL << 30);
    const UniqueHGlobal memory(sized ? GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size.QuadPart)) : nullptr);
    DWORD read = 0;
    bool ok = false;
    if (memory) {
        void* p = GlobalLock(memory.get());
        ok = p && ReadFile(file.get(), p, static_cast<DWORD>(size.QuadPart), &read, nullptr) && read == size.QuadPart;
        GlobalUnlock(memory.get());
    }
    file.reset();
    if (!ok) throw invalid_picture();
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(memory.get(), FALSE, stream.put()))) throw invalid_picture();
    ComPtr<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(read), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(picture.put()))) ||
        !picture)
        throw invalid_picture();
    OLE_XSIZE_HIMETRIC w = 0;
    OLE_YSIZE_HIMETRIC h = 0;
    picture->get_Width(&w);
    picture->get_Height(&h);
    const int dpi = static_cast<int>(dpi_of(nullptr));
    width = MulDiv(w, dpi, 2540);
    height = MulDiv(h, dpi, 2540);
    return std::make_unique<OlePicture>(std::move(picture));
}

}  // namespace

const RenderablePicture* renderable(const dialog::Picture* picture) noexcept {
    std::lock_guard<LiveLock> lock(g_live_mutex);
    auto it = g_live.find(picture);
    return it == g_live.end() ? nullptr : it->second;
}

std::shared_ptr<const dialog::Picture> Win32PictureLoader::LoadPicture(const std::u16string& path) {
    if (path.empty()) return nullptr;
    const std::wstring wide = to_wide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) throw file_not_found();
    int width = 0, height = 0;
    std::unique_ptr<RenderablePicture> render = decode_raster(wide, width, height);
    if (!render) render = decode_ole(wide, width, height);
    auto loaded = std::make_shared<Loaded>(dialog::Picture{width, height, path}, std::move(render));
    return std::shared_ptr<const dialog::Picture>(loaded, &loaded->picture);
}

}  // namespace quill::win32
