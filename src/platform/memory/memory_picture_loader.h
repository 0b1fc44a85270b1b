#pragma once
// The preview's LoadPicture for the portable build: the same decoder as the
// comment fill (picture.h), so a file the fill accepts previews too, and one
// it refuses fails here with the same reason.
#include "ports/picture_loader.h"

namespace quill::memory {

class MemoryPictureLoader final : public dialog::PictureLoader {
public:
    // An empty path: nullptr. A missing file: HostError(53, "File not found:
    // \"<path>\""). A file that is no usable picture: HostError(481, ...) with
    // the decoder's description, which names the file and the reason.
    std::shared_ptr<const dialog::Picture> LoadPicture(const std::u16string& path) override;
};

}  // namespace quill::memory
