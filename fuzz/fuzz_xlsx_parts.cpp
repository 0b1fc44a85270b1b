// The loader past the zip layer: mutations of deflated entries rarely survive
// their CRC, so this target takes the parts as plain text, one after each
// "\n@@ <part name>\n" line (the first may start the input), and loads the
// package they make.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quill;
    namespace d = xlsx::detail;
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    constexpr std::string_view marker = "\n@@ ";
    xlsx::Workbook wb;
    try {
        d::Package package;
        std::size_t pos = in.find(marker);  // where a part name starts
        if (in.starts_with(marker.substr(1))) pos = marker.size() - 1;
        else if (pos != std::string_view::npos) pos += marker.size();
        while (pos != std::string_view::npos) {
            const std::size_t eol = in.find('\n', pos);
            if (eol == std::string_view::npos) break;
            const std::string_view name = in.substr(pos, eol - pos);
            const std::size_t next = in.find(marker, eol);
            const std::string_view body =
                next == std::string_view::npos ? in.substr(eol + 1) : in.substr(eol + 1, next > eol ? next - eol - 1 : 0);
            d::check_part_name(name);
            if (package.contains(name)) d::fail("duplicate part name");
            package.put(std::string(name), std::string(body));
            pos = next == std::string_view::npos ? next : next + marker.size();
        }
        wb.source = std::make_shared<const d::PackageSource>(d::read_package(std::move(package), wb.sheets, wb.date1904, "fuzz.xlsx"));
    } catch (const d::Invalid&) {
        return 0;
    }
    fuzz::exercise(std::move(wb));
    return 0;
}
