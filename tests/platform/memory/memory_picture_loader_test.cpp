#include "platform/memory/memory_picture_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "dialog/pictures.h"
#include "ports/host_error.h"

namespace quill::memory {
namespace {

namespace fs = std::filesystem;

TEST(MemoryPictureLoader, LoadsWhatTheFillAcceptsAndNamesTheFileItRefuses) {
    const fs::path dir = fs::temp_directory_path() /
                         ("quill_loader_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(dir);
    auto write = [&](const char* name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return to_u16((dir / name).string());
    };
    const dialog::pictures::Bitmap bitmap{3, 2, std::vector<std::uint8_t>(6, 1), std::nullopt};
    const std::u16string good = write("good.bmp", dialog::pictures::EncodeBmp(bitmap));
    const std::u16string junk = write("junk.png", {'j', 'u', 'n', 'k'});
    const std::u16string missing = to_u16((dir / "missing.png").string());

    MemoryPictureLoader loader;
    EXPECT_EQ(loader.LoadPicture(u""), nullptr);
    const auto pic = loader.LoadPicture(good);
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(pic->Width, 3);
    EXPECT_EQ(pic->Height, 2);
    EXPECT_EQ(pic->Path, good);

    const struct {
        std::u16string path;
        std::int32_t number;
    } failures[] = {{missing, 53}, {junk, 481}};
    for (const auto& f : failures) {
        SCOPED_TRACE(to_utf8(f.path));
        try {
            loader.LoadPicture(f.path);
            ADD_FAILURE() << "loaded";
        } catch (const HostError& e) {
            EXPECT_EQ(e.number(), f.number);
            EXPECT_NE(e.description().find(f.path), std::u16string::npos);
        }
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace quill::memory
