// The VML drawing part: parse, write the notes' shapes back over the parsed
// part, and parse that again; the writer's output must be well-formed and
// keep every note shape.
#include <cstddef>
#include <cstdint>

#include "exercise.h"
#include "platform/xlsx/vml_drawing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quill::xlsx;
    using namespace quill::xlsx::detail;
    VmlPart part;
    try {
        part = parse_vml(parse_xml(std::string(reinterpret_cast<const char*>(data), size), "vmlDrawing1.vml"));
    } catch (const Invalid&) {
        return 0;
    }
    Sheet sheet;
    for (const auto& s : part.notes) {
        Note n;
        n.row = s.row;
        n.col = s.col;
        n.shape = s.shape;
        sheet.notes.push_back(std::move(n));
    }
    std::vector<ShapeToWrite> shapes;
    long id = 1024L * (part.idmap.empty() ? 1 : part.idmap.front());
    for (const auto& n : sheet.notes) shapes.push_back({&n, ++id, ""});
    VmlPart again;
    try {
        again = parse_vml(parse_xml(write_vml(&part, part.idmap, sheet, shapes), "written"));
    } catch (const Invalid& e) {
        quill::fuzz::finding("written VML does not parse", e.what());
    }
    if (again.notes.size() != part.notes.size()) quill::fuzz::finding("written VML", "note count differs");
    return 0;
}
