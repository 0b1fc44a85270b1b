#include "platform/memory/picture.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "host/host_error.h"
#include "platform/memory/stb_decode.h"

namespace quill::memory {

namespace {

using Bytes = std::span<const std::uint8_t>;

std::uint32_t le32(Bytes b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t le16(Bytes b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::int32_t sle32(Bytes b, std::size_t at) { return static_cast<std::int32_t>(le32(b, at)); }
std::int16_t sle16(Bytes b, std::size_t at) { return static_cast<std::int16_t>(le16(b, at)); }

bool starts_with(Bytes b, std::string_view magic) {
    return b.size() >= magic.size() && std::memcmp(b.data(), magic.data(), magic.size()) == 0;
}

const std::u16string kNotPicture = u"the file is not a picture in a supported format";
const std::u16string kDamaged = u"the picture data is damaged or truncated";

DecodeResult fail(const std::u16string& reason) { return DecodeResult{std::nullopt, reason}; }
DecodeResult ok(PictureFormat f, std::int64_t w, std::int64_t h) {
    auto clamp = [](std::int64_t v) { return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 0, INT32_MAX)); };
    return DecodeResult{PictureInfo{f, clamp(w), clamp(h)}, {}};
}

DecodeResult decode_emf(Bytes b) {
    // ENHMETAHEADER: record type 1, record size, bounds (device units),
    // frame, " EMF" at 40, total size in bytes at 48.
    if (b.size() < 88) return fail(kDamaged);
    const std::uint32_t header_size = le32(b, 4);
    const std::uint32_t total = le32(b, 48);
    if (header_size < 88 || header_size > total || b.size() < total) return fail(kDamaged);
    const std::int64_t w = std::int64_t{sle32(b, 16)} - sle32(b, 8) + 1;
    const std::int64_t h = std::int64_t{sle32(b, 20)} - sle32(b, 12) + 1;
    return ok(PictureFormat::Emf, w, h);
}

bool standard_wmf_header(Bytes b, std::size_t at, std::uint32_t& size_bytes) {
    if (b.size() < at + 18) return false;
    const std::uint16_t type = le16(b, at);
    const std::uint16_t header_words = le16(b, at + 2);
    const std::uint16_t version = le16(b, at + 4);
    if ((type != 1 && type != 2) || header_words != 9 || (version != 0x0100 && version != 0x0300)) return false;
    size_bytes = le32(b, at + 6) * 2;
    return true;
}

DecodeResult decode_wmf(Bytes b) {
    std::uint32_t body = 0;
    if (b.size() >= 4 && le32(b, 0) == 0x9AC6CDD7u) {
        // Placeable header: bounding box in logical units and units per inch.
        if (b.size() < 22 || !standard_wmf_header(b, 22, body) || b.size() < 22 + std::size_t{body})
            return fail(kDamaged);
        const std::int32_t inch = le16(b, 14);
        if (inch == 0) return fail(kDamaged);
        const std::int64_t w = std::int64_t{sle16(b, 10)} - sle16(b, 6);
        const std::int64_t h = std::int64_t{sle16(b, 12)} - sle16(b, 8);
        return ok(PictureFormat::Wmf, (w < 0 ? -w : w) * 96 / inch, (h < 0 ? -h : h) * 96 / inch);
    }
    if (!standard_wmf_header(b, 0, body)) return fail(kNotPicture);
    if (b.size() < body) return fail(kDamaged);
    return ok(PictureFormat::Wmf, 0, 0);
}

// stb fills missing data of some formats with zeros instead of failing, so
// the end of the data is checked where the format marks it.
bool complete(PictureFormat f, Bytes b) {
    switch (f) {
        case PictureFormat::Jpeg: {
            // The end-of-image marker, possibly followed by padding.
            const std::size_t from = b.size() > 1024 ? b.size() - 1024 : 0;
            for (std::size_t i = b.size() - 1; i > from; --i)
                if (b[i - 1] == 0xFF && b[i] == 0xD9) return true;
            return false;
        }
        case PictureFormat::Gif:
            return b.back() == 0x3B;  // the trailer
        case PictureFormat::Bmp: {
            if (b.size() < 54) return false;
            const std::uint32_t declared = le32(b, 2);
            if (declared != 0 && b.size() < declared) return false;
            const std::uint32_t offset = le32(b, 10);
            const std::uint32_t info_size = le32(b, 14);
            if (info_size >= 40 && le32(b, 30) == 0) {  // uncompressed: rows of whole 32-bit words
                const std::int64_t w = sle32(b, 18);
                const std::int64_t h = sle32(b, 22);
                const std::int64_t bits = le16(b, 28);
                const std::int64_t row = ((w * bits + 31) / 32) * 4;
                if (offset + row * (h < 0 ? -h : h) > static_cast<std::int64_t>(b.size())) return false;
            }
            return true;
        }
        default:
            return true;
    }
}

}  // namespace

const char* extension_of(PictureFormat f) noexcept {
    switch (f) {
        case PictureFormat::Png: return "png";
        case PictureFormat::Jpeg: return "jpeg";
        case PictureFormat::Gif: return "gif";
        case PictureFormat::Bmp: return "bmp";
        case PictureFormat::Emf: return "emf";
        case PictureFormat::Wmf: return "wmf";
    }
    return "bin";
}

const char* mime_type_of(PictureFormat f) noexcept {
    switch (f) {
        case PictureFormat::Png: return "image/png";
        case PictureFormat::Jpeg: return "image/jpeg";
        case PictureFormat::Gif: return "image/gif";
        case PictureFormat::Bmp: return "image/bmp";
        case PictureFormat::Emf: return "image/x-emf";
        case PictureFormat::Wmf: return "image/x-wmf";
    }
    return "application/octet-stream";
}

DecodeResult decode_picture(std::span<const std::uint8_t> b) {
    if (b.empty()) return fail(u"the file is empty");
    if (b.size() >= 44 && le32(b, 0) == 1 && std::memcmp(b.data() + 40, " EMF", 4) == 0) return decode_emf(b);

    std::optional<PictureFormat> raster;
    if (starts_with(b, "\x89PNG\r\n\x1a\n")) raster = PictureFormat::Png;
    else if (starts_with(b, "\xFF\xD8\xFF")) raster = PictureFormat::Jpeg;
    else if (starts_with(b, "GIF87a") || starts_with(b, "GIF89a")) raster = PictureFormat::Gif;
    else if (starts_with(b, "BM")) raster = PictureFormat::Bmp;
    if (!raster) return decode_wmf(b);

    if (b.size() > static_cast<std::size_t>(INT32_MAX)) return fail(u"the file is too large");
    int w = 0, h = 0;
    if (!detail::stb_decodes(b.data(), b.size(), w, h)) return fail(kDamaged);
    if (!complete(*raster, b)) return fail(kDamaged);
    return ok(*raster, w, h);
}

Picture load_picture(const std::u16string& path) {
    auto refuse = [&](const std::u16string& reason) {
        return HostError(kPictureError, u"Cannot use the picture file \"" + path + u"\": " + reason + u".");
    };
    if (path.empty()) throw refuse(u"no file was named");
    const std::filesystem::path file(path);
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (!std::filesystem::exists(status)) throw refuse(u"the file does not exist");
    if (std::filesystem::is_directory(status)) throw refuse(u"it is a folder, not a file");
    // A device or a pipe could feed bytes for ever.
    if (!std::filesystem::is_regular_file(status)) throw refuse(u"it is not a regular file");

    Picture pic;
    pic.path = path;
    std::ifstream in(file, std::ios::binary);
    if (!in) throw refuse(u"the file cannot be read");
    const auto declared = std::filesystem::file_size(file, ec);
    pic.bytes.reserve(ec ? 0 : static_cast<std::size_t>(std::min<std::uintmax_t>(declared, kMaxPictureBytes) + 1));
    char chunk[1 << 16];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        pic.bytes.insert(pic.bytes.end(), chunk, chunk + in.gcount());
        if (pic.bytes.size() > kMaxPictureBytes) throw refuse(u"the file is larger than 64 MiB");
    }
    if (in.bad()) throw refuse(u"the file cannot be read");

    DecodeResult r = decode_picture(pic.bytes);
    if (!r.info) throw refuse(r.reason);
    pic.info = *r.info;
    return pic;
}

}  // namespace quill::memory
