#include "platform/memory/memory_picture_loader.h"

#include <filesystem>
#include <system_error>

#include "ports/host_error.h"
#include "platform/memory/picture.h"

namespace quill::memory {

namespace {
constexpr std::int32_t kFileNotFound = 53;
constexpr std::int32_t kInvalidPicture = 481;
}  // namespace

std::shared_ptr<const dialog::Picture> MemoryPictureLoader::LoadPicture(const std::u16string& path) {
    if (path.empty()) return nullptr;
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::path(path), ec))
        throw HostError(kFileNotFound, u"File not found: \"" + path + u"\"");
    try {
        const Picture pic = load_picture(path);
        return std::make_shared<const dialog::Picture>(dialog::Picture{pic.info.width, pic.info.height, path});
    } catch (const HostError& e) {
        throw HostError(kInvalidPicture, e.description());
    }
}

}  // namespace quill::memory
