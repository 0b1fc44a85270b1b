// The whole loader from a file's bytes: zip directory checks, every part,
// then the round trip of exercise.h.
#include <cstddef>
#include <cstdint>

#include "exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quill;
    xlsx::Workbook wb;
    try {
        wb = xlsx::load_bytes(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.xlsx");
    } catch (const xlsx::XlsxError&) {
        return 0;
    }
    fuzz::exercise(std::move(wb));
    return 0;
}
