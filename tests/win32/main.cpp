// The Windows test program. tests/win32/run-wine-tests.sh runs it under Wine
// between registering and unregistering the DLL:
//   pixnote_tests unit
//   pixnote_tests registered <dll> [per-user]
//   pixnote_tests unregistered
//   pixnote_tests com <dll>
//   pixnote_tests resources <dll> win32|win64
//   pixnote_tests bridge
//   pixnote_tests excel <dll>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"

void unit_suite(const std::vector<std::wstring>& args);
void registered_suite(const std::vector<std::wstring>& args);
void unregistered_suite(const std::vector<std::wstring>& args);
void com_suite(const std::vector<std::wstring>& args);
void resources_suite(const std::vector<std::wstring>& args);
void bridge_suite(const std::vector<std::wstring>& args);
void excel_suite(const std::vector<std::wstring>& args);

int wmain(int argc, wchar_t** argv) {
    const wintest::SuiteEntry suites[] = {
        {L"unit", unit_suite},         {L"registered", registered_suite}, {L"unregistered", unregistered_suite},
        {L"com", com_suite},           {L"resources", resources_suite},   {L"bridge", bridge_suite},
        {L"excel", excel_suite},
    };
    if (argc < 2) {
        std::printf("usage: pixnote_tests unit|registered|unregistered|com|resources|bridge|excel [args]\n");
        return 2;
    }
    const std::vector<std::wstring> args(argv + 2, argv + argc);
    for (const auto& s : suites) {
        if (std::wstring(argv[1]) != s.name) continue;
        s.run(args);
        const auto& r = wintest::results();
        std::printf("%ls: %d passed, %d failed\n", s.name, r.passed, r.failed);
        return r.failed == 0 && r.passed > 0 ? 0 : 1;
    }
    std::printf("unknown suite %ls\n", argv[1]);
    return 2;
}
