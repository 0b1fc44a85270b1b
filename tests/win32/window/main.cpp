// The dialog window's tests under Wine (GoogleTest). run-wine-tests.sh runs
// it in the Wine prefix under Xvfb:
//   pixnote_window_tests [gtest options]
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

int wmain(int argc, wchar_t** argv) {
    if (FAILED(OleInitialize(nullptr))) return 2;
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    OleUninitialize();
    return rc;
}
