#include "platform/memory/picture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "ports/host_error.h"
#include "platform/memory/workbook.h"

#include "platform/memory/picture_writer.h"
#include "picture_samples.h"

namespace quill::memory {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes raster(const char* kind, int w, int h) {
    const RasterFormat f = kind[0] == 'p' ? RasterFormat::Png : kind[0] == 'b' ? RasterFormat::Bmp : RasterFormat::Jpeg;
    return encode_raster(f, std::vector<std::uint8_t>(static_cast<std::size_t>(w * h * 3), 0x80), w, h);
}

const Bytes kGif = samples::gif();
using samples::emf;
using samples::wmf;

Bytes cut(Bytes b, std::size_t keep) { return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(keep)); }

class PictureFiles : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(dir_); }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::u16string write(const std::string& name, const Bytes& bytes) {
        const auto p = dir_ / name;
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
        return to_u16(p.string());
    }
    std::filesystem::path dir_ = std::filesystem::temp_directory_path() /
                                 ("quill_picture_test_" + std::to_string(::getpid()) + "_" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

TEST_F(PictureFiles, RecognisedFormatsAndTheirPixelSizes) {
    struct Row { const char* name; Bytes bytes; PictureFormat format; std::int32_t w, h; } rows[] = {
        {"a.png", raster("png", 3, 2), PictureFormat::Png, 3, 2},
        {"a.bmp", raster("bmp", 4, 5), PictureFormat::Bmp, 4, 5},
        {"a.jpg", raster("jpg", 9, 7), PictureFormat::Jpeg, 9, 7},
        {"a.gif", kGif, PictureFormat::Gif, 1, 1},
        {"a.emf", emf(), PictureFormat::Emf, 100, 50},
        {"placeable.wmf", wmf(true), PictureFormat::Wmf, 96, 48},
        {"plain.wmf", wmf(false), PictureFormat::Wmf, 0, 0},
        {"png named .gif", raster("png", 1, 1), PictureFormat::Png, 1, 1},  // the content decides
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const Picture p = load_picture(write(r.name, r.bytes));
        EXPECT_EQ(p.info, (PictureInfo{r.format, r.w, r.h}));
        EXPECT_EQ(p.bytes, r.bytes);
    }
}

TEST_F(PictureFiles, UnusableFilesFailNamingTheFile) {
    const Bytes png = raster("png", 16, 16), bmp = raster("bmp", 16, 16), jpg = raster("jpg", 16, 16);
    struct Row { const char* name; Bytes bytes; const char16_t* reason; } rows[] = {
        {"half.png", cut(png, png.size() / 2), u"damaged"},
        {"no_end.png", cut(png, png.size() - 12), u"damaged"},
        {"half.bmp", cut(bmp, bmp.size() - 10), u"damaged"},
        {"half.jpg", cut(jpg, jpg.size() / 2), u"damaged"},
        {"no_trailer.gif", cut(kGif, kGif.size() - 1), u"damaged"},
        {"short.emf", emf(40), u"damaged"},
        {"header_only.emf", cut(emf(), 60), u"damaged"},
        {"short.wmf", cut(wmf(true), 30), u"damaged"},
        {"notes.txt", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}, u"not a picture"},
        {"empty.png", Bytes{}, u"empty"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::u16string path = write(r.name, r.bytes);
        try {
            load_picture(path);
            ADD_FAILURE() << "accepted";
        } catch (const HostError& e) {
            EXPECT_EQ(e.number(), kPictureError);
            EXPECT_NE(e.description().find(u"\"" + path + u"\""), std::u16string::npos) << e.what();
            EXPECT_NE(e.description().find(r.reason), std::u16string::npos) << e.what();
        }
    }
    EXPECT_THROW(load_picture(to_u16(dir_.string())), HostError);
}

}  // namespace
}  // namespace quill::memory
