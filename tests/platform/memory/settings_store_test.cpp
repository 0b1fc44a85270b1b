#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ports/host_error.h"
#include "platform/memory/settings_store.h"

namespace quill::memory {
namespace {

namespace fs = std::filesystem;

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("quill-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    TempDir() { fs::remove_all(path); }
    ~TempDir() { fs::remove_all(path); }
};

TEST(FileSettings, RoundTripAcrossInstancesAndLeavesNoTemporary) {
    TempDir dir;
    FileSettings(dir.path).SaveSetting(u"Pixnote", u"Settings", u"DisplayOnConnect", u"1");
    FileSettings(dir.path).SaveSetting(u"Pixnote", u"Other", u"k", u"v\u00e9");
    FileSettings again(dir.path);
    EXPECT_EQ(again.GetSetting(u"Pixnote", u"Settings", u"DisplayOnConnect", u"0"), u"1");
    EXPECT_EQ(again.GetSetting(u"Pixnote", u"Other", u"k", u""), u"v\u00e9");
    EXPECT_EQ(again.GetSetting(u"Pixnote", u"Settings", u"missing", u"0"), u"0");
    for (auto& e : fs::directory_iterator(dir.path)) EXPECT_EQ(e.path().extension(), ".ini");
}

TEST(FileSettings, NamesThatWouldEscapeTheFileAreRefused) {
    TempDir dir;
    FileSettings s(dir.path);
    EXPECT_THROW(s.SaveSetting(u"../evil", u"S", u"k", u"v"), HostError);
    EXPECT_THROW(s.SaveSetting(u"Pixnote", u"S]", u"k", u"v"), HostError);
    EXPECT_THROW(s.SaveSetting(u"Pixnote", u"S", u"k=x", u"v"), HostError);
    EXPECT_THROW(s.SaveSetting(u"Pixnote", u"S", u"k", u"two\nlines"), HostError);
    EXPECT_EQ(s.GetSetting(u"../evil", u"S", u"k", u"d"), u"d");
}

}  // namespace
}  // namespace quill::memory
