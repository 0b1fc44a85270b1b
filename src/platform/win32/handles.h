#pragma once
// Owning wrappers for every Win32/COM handle the DLL touches, so that nothing
// is released by hand and every early return or exception cleans up.
#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace quill::win32 {

// One deleter for every handle type whose release is a single call.
template <auto Free>
struct Releaser {
    template <class H>
    void operator()(H handle) const noexcept {
        Free(handle);
    }
};
template <class Handle, auto Free>
using Unique = std::unique_ptr<std::remove_pointer_t<Handle>, Releaser<Free>>;

using UniqueHKey = Unique<HKEY, &RegCloseKey>;
using UniqueBstr = Unique<BSTR, &SysFreeString>;
// Takes a string out of a structure that owns it (EXCEPINFO's fields),
// leaving null behind.
inline UniqueBstr take_bstr(BSTR& s) noexcept { return UniqueBstr(std::exchange(s, nullptr)); }
using UniqueSafeArray = Unique<SAFEARRAY*, &SafeArrayDestroy>;
using UniqueHGlobal = Unique<HGLOBAL, &GlobalFree>;
using UniqueHLocal = Unique<HLOCAL, &LocalFree>;
// A kernel handle. CreateFile fails with INVALID_HANDLE_VALUE, not null:
// check before wrapping.
using UniqueHandle = Unique<HANDLE, &CloseHandle>;
template <class Handle>
using UniqueGdi = Unique<Handle, &DeleteObject>;
using UniqueHBitmap = UniqueGdi<HBITMAP>;
using UniqueHBrush = UniqueGdi<HBRUSH>;
using UniqueHFont = UniqueGdi<HFONT>;
using UniqueHIcon = Unique<HICON, &DestroyIcon>;
// A memory DC from CreateCompatibleDC.
using UniqueMemoryDc = Unique<HDC, &DeleteDC>;

// A window's (or, for null, the screen's) DC from GetDC, given back to the
// window it came from.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint and its EndPaint, for the length of a WM_PAINT handler.
class PaintDc {
public:
    explicit PaintDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
    ~PaintDc() { EndPaint(hwnd_, &ps_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// An object selected into a DC for a scope: a DC must not be deleted or
// released with an object of ours still in it. Selecting nothing does nothing.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() {
        if (old_) SelectObject(dc_, old_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A VARIANT that clears itself.
class UniqueVariant {
public:
    UniqueVariant() noexcept { VariantInit(&v_); }
    ~UniqueVariant() { VariantClear(&v_); }
    UniqueVariant(UniqueVariant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
    UniqueVariant& operator=(UniqueVariant&& other) noexcept {
        if (this != &other) {
            VariantClear(&v_);
            v_ = other.v_;
            VariantInit(&other.v_);
        }
        return *this;
    }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;

    VARIANT* get() noexcept { return &v_; }
    const VARIANT* get() const noexcept { return &v_; }
    // Cleared first, for use as an out parameter.
    VARIANT* put() noexcept {
        VariantClear(&v_);
        return &v_;
    }

private:
    VARIANT v_;
};

// Move-only owning COM pointer.
template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes over a reference the caller already owns.
    static ComPtr attach(T* p) noexcept {
        ComPtr c;
        c.p_ = p;
        return c;
    }
    // Adds a reference of its own.
    static ComPtr copy(T* p) noexcept {
        if (p) p->AddRef();
        return attach(p);
    }
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    void reset() noexcept {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    // Released first, for use as an out parameter.
    T** put() noexcept {
        reset();
        return &p_;
    }
    // Hands the reference to the caller (an out parameter of a COM method).
    T* detach() noexcept { return std::exchange(p_, nullptr); }
    ComPtr clone() const noexcept { return copy(p_); }

    template <class U>
    ComPtr<U> query() const noexcept {
        ComPtr<U> out;
        if (p_) p_->QueryInterface(__uuidof(U), reinterpret_cast<void**>(out.put()));
        return out;
    }

private:
    T* p_ = nullptr;
};

}  // namespace quill::win32
