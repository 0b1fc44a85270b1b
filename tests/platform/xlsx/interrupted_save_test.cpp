// A save interrupted at any write, fsync or rename leaves the file it was
// replacing byte for byte as it was, and no temporary file beside it.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/xlsx/package.h"
#include "xlsx_test_util.h"

// The fault hooks exist only in builds with QUILL_TEST_HOOKS.
#ifdef QUILLETTE_FILE_FAULTS
namespace quill::xlsx {
namespace {

using detail::FileFaults;

struct FaultGuard {
    explicit FaultGuard(FileFaults& f) { detail::file_faults = &f; }
    ~FaultGuard() { detail::file_faults = nullptr; }
};

std::vector<std::string> folder_entries(const std::string& file) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(file).parent_path()))
        out.push_back(e.path().filename().string());
    return out;
}

Workbook with_note(const std::u16string& text) {
    Workbook wb = new_workbook();
    wb.sheets[0].notes.push_back({2, 1, u"A", testing::text(text), {}});
    return wb;
}

TEST(InterruptedSave, EveryFailingCallKeepsTheOriginal) {
    testing::ScratchDir dir;
    const std::string path = dir.path("book.xlsx");
    save(with_note(u"original"), path);
    const std::string original = testing::read_file(path);
    // Big enough that a save takes several writes of 512 bytes.
    Workbook changed = with_note(std::u16string(20000, u'z') + u"changed");

    struct Kind { const char* what; int FileFaults::*fail_at; int FileFaults::*seen; int error; const char* reason; };
    const Kind kinds[] = {
        {"write", &FileFaults::fail_write, &FileFaults::writes, ENOSPC, "cannot write the temporary file (No space left"},
        {"fsync", &FileFaults::fail_fsync, &FileFaults::fsyncs, EIO, "cannot flush the temporary file (Input/output"},
        {"rename", &FileFaults::fail_rename, &FileFaults::renames, EXDEV, "cannot replace the file (Invalid cross-device"},
    };
    for (const auto& k : kinds) {
        int failures = 0;
        for (int n = 1;; ++n) {
            SCOPED_TRACE(std::string(k.what) + " #" + std::to_string(n));
            FileFaults faults;
            faults.*k.fail_at = n;
            faults.error = k.error;
            faults.max_write = 512;
            FaultGuard guard(faults);
            try {
                save(changed, path);
            } catch (const XlsxError& e) {
                ++failures;
                EXPECT_NE(e.reason().find(k.reason), std::string::npos) << e.reason();
                EXPECT_EQ(testing::read_file(path), original);
                EXPECT_EQ(folder_entries(path), std::vector<std::string>{"book.xlsx"});
                continue;
            }
            // The save that needed fewer than n calls went through whole.
            EXPECT_LT(faults.*k.seen, n);
            EXPECT_EQ(folder_entries(path), std::vector<std::string>{"book.xlsx"});
            EXPECT_EQ(load(path).sheets[0].notes.at(0).text, changed.sheets[0].notes[0].text);
            testing::write_file(path, original);
            break;
        }
        SCOPED_TRACE(k.what);
        EXPECT_GE(failures, std::string_view(k.what) == "write" ? 2 : 1);
    }
}

}  // namespace
}  // namespace quill::xlsx
#endif
