// The VML drawing part: read it leniently, change every note's box, write the
// part back over what was read, and read that again; the writer's output must
// be readable and keep every note shape.
#include <cstddef>
#include <cstdint>

#include "exercise.h"
#include "platform/xlsx/vml_drawing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quill::xlsx;
    using namespace quill::xlsx::detail;
    VmlPart part;
    try {
        part = parse_vml(std::make_shared<const std::string>(reinterpret_cast<const char*>(data), size), "vmlDrawing1.vml");
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
    const std::vector<Note> loaded = sheet.notes;
    for (auto& n : sheet.notes) {
        n.shape->width += 10;
        n.shape->visible = !n.shape->visible;
        n.shape->orientation = n.shape->orientation == kUpward ? kVertical : kUpward;
        n.shape->vertical_alignment = VerticalAlignment::Center;
        n.shape->opacity = 0.5;
    }
    std::vector<ShapeToWrite> shapes;
    for (const auto& n : sheet.notes) shapes.push_back({&n, 0, ""});
    VmlPart again;
    try {
        again = parse_vml(std::make_shared<const std::string>(write_vml(&part, loaded, part.idmap, sheet, shapes).text),
                          "written");
    } catch (const Invalid& e) {
        quill::fuzz::finding("written VML does not read", e.what());
    }
    if (again.notes.size() != part.notes.size()) quill::fuzz::finding("written VML", "note count differs");
    return 0;
}
