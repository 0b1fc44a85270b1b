// The --cells reference parser: refuses with the host's error or parses, and
// what it parses reads back the same from its Address.
#include <cstddef>
#include <cstdint>

#include "exercise.h"
#include "ports/host_error.h"
#include "platform/memory/workbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quill;
    std::vector<memory::Area> areas;
    try {
        areas = memory::parse_areas(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const HostError& e) {
        if (e.number() != memory::kAppDefinedError) fuzz::finding("parse_areas", "unexpected error number");
        return 0;
    }
    const std::string address = to_utf8(memory::absolute_address(areas));
    if (areas.empty() || memory::parse_areas(address) != areas) fuzz::finding("address does not read back", address.c_str());
    return 0;
}
