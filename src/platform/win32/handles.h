#pragma once
// Owning wrappers for every Win32/COM handle the DLL touches, so that nothing
// is released by hand and every early return or exception cleans up.
#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <utility>

namespace quill::win32 {

struct RegKeyCloser {
    void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
using UniqueHKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegKeyCloser>;

struct BstrFreer {
    void operator()(OLECHAR* s) const noexcept { SysFreeString(s); }
};
using UniqueBstr = std::unique_ptr<OLECHAR, BstrFreer>;

struct SafeArrayDestroyer {
    void operator()(SAFEARRAY* a) const noexcept { SafeArrayDestroy(a); }
};
using UniqueSafeArray = std::unique_ptr<SAFEARRAY, SafeArrayDestroyer>;

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
