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

#include "support.h"

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wstring(argv[1]) == L"--xlmain-helper") {
        const quill::win32::UniqueHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]));
        const quill::win32::UniqueHandle quit(OpenEventW(SYNCHRONIZE, FALSE, argv[3]));
        if (!wintest::create_xlmain(L"other host", WS_OVERLAPPEDWINDOW) || !ready || !quit) return 1;
        SetEvent(ready.get());
        WaitForSingleObject(quit.get(), 20000);
        return 0;
    }
    if (FAILED(OleInitialize(nullptr))) return 2;
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    OleUninitialize();
    return rc;
}
