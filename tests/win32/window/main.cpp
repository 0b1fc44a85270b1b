// The dialog window's tests under Wine (GoogleTest). run-wine-tests.sh runs
// it in the Wine prefix under Xvfb:
//   pixnote_window_tests [gtest options]
// QUILLETTE_ARTIFACTS names a folder for the dialog's screenshot.
//   pixnote_window_tests --xlmain-helper <ready event> <quit event>
// is the second process of the FindWindowA test: it shows one "XLMAIN"
// window until told to quit.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

namespace {
int xlmain_helper(const wchar_t* ready, const wchar_t* quit) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"XLMAIN";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, L"XLMAIN", L"other host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                wc.hInstance, nullptr);
    HANDLE ready_event = OpenEventW(EVENT_MODIFY_STATE, FALSE, ready);
    HANDLE quit_event = OpenEventW(SYNCHRONIZE, FALSE, quit);
    if (!hwnd || !ready_event || !quit_event) return 1;
    SetEvent(ready_event);
    WaitForSingleObject(quit_event, 20000);
    DestroyWindow(hwnd);
    return 0;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wstring(argv[1]) == L"--xlmain-helper") return xlmain_helper(argv[2], argv[3]);
    if (FAILED(OleInitialize(nullptr))) return 2;
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    OleUninitialize();
    return rc;
}
