#include "ports/command.h"

#include <array>

namespace quill {

std::int32_t text_orientation(std::int32_t option) {
    static constexpr std::array<std::int32_t, 3> kOrientations = {
        host::msoTextOrientationHorizontal, host::msoTextOrientationVertical, host::msoTextOrientationUpward};
    if (option >= 1 && option <= 3) return kOrientations[static_cast<std::size_t>(option - 1)];
    return host::msoTextOrientationDownward;
}

}  // namespace quill
