#pragma once
// A very small table-friendly test harness for the Windows test program: it
// runs under Wine, where a lean static executable starts fastest.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace wintest {

struct Results {
    int passed = 0;
    int failed = 0;
    std::vector<std::string> context;  // names the table row being checked

    bool check(bool ok, const char* expr, const char* file, int line) {
        if (ok) {
            ++passed;
            return true;
        }
        ++failed;
        std::printf("FAILED %s:%d: %s", file, line, expr);
        for (const auto& c : context) std::printf(" [%s]", c.c_str());
        std::printf("\n");
        return false;
    }
};

Results& results();

// Names a table row for the checks inside its scope.
class Scope {
public:
    explicit Scope(std::string what) { results().context.push_back(std::move(what)); }
    ~Scope() { results().context.pop_back(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

using Suite = std::function<void(const std::vector<std::wstring>& args)>;
struct SuiteEntry {
    const wchar_t* name;
    Suite run;
};

}  // namespace wintest

#define CHECK(cond) ::wintest::results().check(static_cast<bool>(cond), #cond, __FILE__, __LINE__)
