#pragma once
// Picture files as the host accepts them for a comment's fill: the raster
// formats are decoded in full (so a truncated file is refused, as the host
// refuses it), the two metafile formats are recognised by their headers.
// Shared by the comment fill and by the dialog's preview loader.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quill::memory {

enum class PictureFormat { Png, Jpeg, Gif, Bmp, Emf, Wmf };

// Lower-case file extension of the format ("png", "jpeg", "gif", "bmp", "emf",
// "wmf") and its MIME type ("image/png", ..., "image/x-emf", "image/x-wmf").
const char* extension_of(PictureFormat f) noexcept;
const char* mime_type_of(PictureFormat f) noexcept;

struct PictureInfo {
    PictureFormat format = PictureFormat::Png;
    // Pixels. Metafiles: their bounds in device pixels (EMF) or at 96 dpi from a
    // placeable header (WMF); 0 x 0 for a WMF without one.
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const PictureInfo&, const PictureInfo&) = default;
};

struct Picture {
    std::u16string path;  // as the caller named it
    std::vector<std::uint8_t> bytes;
    PictureInfo info;
};

// What the bytes hold, or why they cannot be used (the reason, without the
// file name: "the file is not a picture", "the picture data is damaged or
// truncated").
struct DecodeResult {
    std::optional<PictureInfo> info;
    std::u16string reason;
};
DecodeResult decode_picture(std::span<const std::uint8_t> bytes);

// Reads and decodes a file. Fails with HostError(kPictureError, "Cannot use
// the picture file \"<path>\": <reason>.") when the file is missing, cannot be
// read, is no regular file, is empty or larger than kMaxPictureBytes, is not
// one of the formats above, or is damaged.
Picture load_picture(const std::u16string& path);
inline constexpr std::size_t kMaxPictureBytes = std::size_t{64} << 20;

// The host's "Method ... failed" automation error (E_FAIL).
inline constexpr std::int32_t kPictureError = -2147467259;

}  // namespace quill::memory
