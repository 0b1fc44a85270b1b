// The Windows test program (GoogleTest). tests/win32/run-wine-tests.sh runs
// each group under Wine at its place in the registration cycle:
//   pixnote_tests unit|bridge
//   pixnote_tests resources <dll> win32|win64
//   pixnote_tests registered <dll> [per-user]
//   pixnote_tests unregistered
//   pixnote_tests com <dll>
// GoogleTest's own options may follow. A group is the test suite of its name
// capitalised; the last line counts its tests.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cwctype>
#include <string>
#include <vector>

#include "support.h"

namespace {
std::vector<std::wstring> g_args;
}

const std::vector<std::wstring>& wintest::args() { return g_args; }

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: pixnote_tests unit|bridge|resources|registered|unregistered|com [args]\n");
        return 2;
    }
    std::wstring filter = std::wstring(L"--gtest_filter=") + argv[1] + L".*";
    filter[15] = static_cast<wchar_t>(std::towupper(filter[15]));
    std::vector<wchar_t*> rest = {argv[0], filter.data()};
    for (int i = 2; i < argc; ++i) {
        if (wcsncmp(argv[i], L"--", 2) == 0) rest.push_back(argv[i]);
        else g_args.push_back(argv[i]);
    }
    int n = static_cast<int>(rest.size());
    ::testing::InitGoogleTest(&n, rest.data());
    if (FAILED(CoInitialize(nullptr))) return 2;
    const int rc = RUN_ALL_TESTS();
    CoUninitialize();
    const auto& u = *::testing::UnitTest::GetInstance();
    std::printf("%ls: %d passed, %d failed\n", argv[1], u.successful_test_count(), u.failed_test_count());
    return rc == 0 && u.successful_test_count() > 0 ? 0 : 1;
}
