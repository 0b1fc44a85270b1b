#pragma once
// Module-wide state of the in-process server: its handle (for registration and
// the embedded type libraries) and the counts that decide DllCanUnloadNow.
#include <windows.h>

#include <string>

namespace quill::win32 {

void set_module_handle(HMODULE module) noexcept;
HMODULE module_handle() noexcept;  // null outside the DLL: the running program
std::wstring module_path();        // full path of the DLL

void object_created() noexcept;
void object_destroyed() noexcept;
void lock_server(bool lock) noexcept;
bool can_unload() noexcept;  // no live object and no lock

}  // namespace quill::win32
