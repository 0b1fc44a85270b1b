#include "platform/win32/module.h"

#include <atomic>

#include "platform/win32/errors.h"

namespace quill::win32 {

namespace {
HMODULE g_module = nullptr;
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};
}  // namespace

void set_module_handle(HMODULE module) noexcept { g_module = module; }
HMODULE module_handle() noexcept { return g_module; }

std::wstring module_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) throw_hresult(HRESULT_FROM_WIN32(GetLastError()), u"The module's path is unknown.");
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void object_created() noexcept { ++g_objects; }
void object_destroyed() noexcept { --g_objects; }
void lock_server(bool lock) noexcept {
    if (lock) {
        ++g_locks;
    } else {
        --g_locks;
    }
}
bool can_unload() noexcept { return g_objects == 0 && g_locks == 0; }

}  // namespace quill::win32
