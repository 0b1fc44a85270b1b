#pragma once
// Picture-loader port: the platform's LoadPicture, behind Image1's preview.
// The Windows build decodes the file with the system's picture services; the
// portable build reads the picture's header.
#include <cstdint>
#include <memory>
#include <string>

namespace quill::dialog {

// A loaded picture, as Image1 holds it.
struct Picture {
    std::int32_t Width = 0;   // pixels
    std::int32_t Height = 0;  // pixels
    std::u16string Path;      // the full path it was loaded from
};

class PictureLoader {
public:
    virtual ~PictureLoader() = default;
    // The picture in the file at `path` (a full path). An empty path gives
    // nothing (nullptr), which clears an image. A missing file throws
    // HostError (53, "File not found"), a file that is not a picture the
    // platform can show HostError (481, "Invalid picture").
    virtual std::shared_ptr<const Picture> LoadPicture(const std::u16string& path) = 0;
};

}  // namespace quill::dialog
