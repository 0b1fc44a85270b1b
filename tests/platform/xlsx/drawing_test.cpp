// Excel's VML as Excel writes it: HTML inside form controls, repeated
// attributes, drawings read only when a note needs them, and a refusal that
// names the part when one that must change cannot be read.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "ports/host_error.h"
#include "platform/xlsx/binding.h"
#include "platform/xlsx/package.h"
#include "platform/xlsx/source.h"
#include "platform/xlsx/vml_drawing.h"
#include "xlsx_test_util.h"

namespace quill::xlsx {
namespace {

using testing::ScratchDir;

const std::string kHead = R"(<xml xmlns:v="urn:schemas-microsoft-com:vml"
 xmlns:o="urn:schemas-microsoft-com:office:office"
 xmlns:x="urn:schemas-microsoft-com:office:excel">
 <o:shapelayout v:ext="edit">
  <o:idmap v:ext="edit" data="2"/>
 </o:shapelayout>)";

// A form button as Excel 16 writes it: the caption's <br> is never closed.
const std::string kButton = R"(<v:shape id="_x0000_s2049" type="#_x0000_t201" style='position:absolute;
  margin-left:48pt;margin-top:15pt;width:72pt;height:24pt;z-index:7;
  mso-wrap-style:tight' o:button="t" fillcolor="buttonFace [67]" strokecolor="windowText [64]" o:insetmode="auto">
  <v:fill color2="buttonFace [67]" o:detectmouseclick="t"/>
  <v:textbox style='mso-direction-alt:auto' o:singleclick="f">
   <div style='text-align:center'><font face="Calibri" size="220" color="#000000">Button<br>
</font></div>
  </v:textbox>
  <x:ClientData ObjectType="Button">
   <x:Anchor>
    1, 0, 1, 0, 2, 8, 2, 12</x:Anchor>
   <x:FmlaMacro>[0]!Button1_Click</x:FmlaMacro>
  </x:ClientData>
 </v:shape>)";

std::string note_shape(const std::string& fill) {
    return R"(<v:shape id="_x0000_s2050" type="#_x0000_t202" style='width:96pt;height:55.5pt;z-index:1'>)" + fill +
           R"(<x:ClientData ObjectType="Note"><x:Row>3</x:Row><x:Column>2</x:Column></x:ClientData></v:shape>)";
}

TEST(Drawing, ExcelsOwnMarkupIsReadAndBrokenMarkupRefusedByName) {
    struct Case { const char* what; std::string body; bool reads; std::string picture_rel; };
    const Case cases[] = {
        {"unclosed <br> in a button caption", kButton + note_shape(""), true, ""},
        {"a repeated attribute: the first counts", note_shape(R"(<v:fill o:relid="rId1" o:relid="rId2" type="frame"/>)"), true, "rId1"},
        {"unquoted and bare attributes", note_shape(R"(<v:fill o:relid=rId3 recolor/>)"), true, "rId3"},
        {"stray end tag and conditional markup", "<![if !vml]></span><![endif]>" + note_shape(""), true, ""},
        {"truncated part", note_shape("").substr(0, 120), false, ""},
        {"unterminated attribute value", R"(<v:shape id="_x0000_s2050 style='a'/>)", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto bytes = std::make_shared<const std::string>(kHead + c.body + (c.reads ? "</xml>" : ""));
        if (!c.reads) {
            const auto what = testing::refusal<detail::Invalid>([&] { detail::parse_vml(bytes, "xl/drawings/vmlDrawing2.vml"); });
            EXPECT_NE(what.find("\"xl/drawings/vmlDrawing2.vml\" cannot be read as VML"), std::string::npos) << what;
            continue;
        }
        const auto part = detail::parse_vml(bytes, "vml");
        ASSERT_EQ(part.notes.size(), 1u);
        EXPECT_EQ(part.notes[0].row, 3);
        EXPECT_EQ(part.notes[0].picture_rel, c.picture_rel);
        EXPECT_EQ(part.idmap, std::vector<int>{2});
    }
}

// A changed shape gets what the command set and keeps the rest: here a note
// as Mac Excel 2011 draws one, with a gradient, a stroke colour and a shadow.
TEST(Drawing, AChangedShapeGetsOnlyWhatChanged) {
    const std::string shape = R"(<v:shape id="_x0000_s2050" type="#_x0000_t202" style='position:absolute;
  margin-left:80pt;margin-top:2pt;width:104pt;height:64pt;z-index:1;
  visibility:hidden;mso-wrap-style:tight;flip:x' fillcolor="#fbf6d6" strokecolor="#edeaa1">
  <v:fill color2="#fbfe82" angle="-180" type="gradient"><o:fill v:ext="view" type="gradientUnscaled"/></v:fill>
  <v:shadow color="none [81]" obscured="t"/>
  <v:textbox style='mso-direction-alt:auto;direction:RTL'><div style='text-align:right'></div></v:textbox>
  <x:ClientData ObjectType="Note"><x:Anchor>
    2, 15, 0, 2, 3, 54, 5, 6</x:Anchor><x:TextHAlign>Right</x:TextHAlign><x:Row>0</x:Row><x:Column>0</x:Column></x:ClientData>
 </v:shape>)";
    const std::vector<std::string> kept = {
        "margin-left:80pt;margin-top:2pt", "strokecolor=\"#edeaa1\"", "mso-wrap-style:tight;flip:x",
        "type=\"gradient\"", "angle=\"-180\"", "<o:fill v:ext=\"view\" type=\"gradientUnscaled\"/>",
        "<v:shadow color=\"none [81]\" obscured=\"t\"/>", "direction:RTL", "text-align:right",
        "<x:TextHAlign>Right</x:TextHAlign>"};
    struct Case {
        const char* what;
        void (*edit)(NoteShape&);
        std::vector<std::string> set;
    };
    const Case cases[] = {
        {"width", [](NoteShape& s) { s.width = 168; }, {"width:168pt;height:64pt", "<x:Anchor>2, 15, 0, 2, 5, 47, 4, 7</x:Anchor>"}},
        {"orientation", [](NoteShape& s) { s.orientation = kVertical; },
         {"mso-direction-alt:auto;direction:RTL;layout-flow:vertical;mso-layout-flow-alt:top-to-bottom", "2, 15, 0, 2, 3, 54, 5, 6"}},
        {"visibility", [](NoteShape& s) { s.visible = true; }, {"visibility:visible;", "<x:Visible/>"}},
        {"opacity", [](NoteShape& s) { s.opacity = 0.25; }, {"angle=\"-180\" type=\"gradient\" opacity=\"0.25\""}},
    };
    const auto part = detail::parse_vml(std::make_shared<const std::string>(kHead + shape + "</xml>"), "vml");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Sheet sheet;
        sheet.notes = {Note{0, 0, u"Ann", {}, part.notes.at(0).shape}};
        const std::vector<Note> loaded = sheet.notes;
        c.edit(sheet.notes[0].shape.edit());
        const std::string out = detail::write_vml(&part, loaded, {2}, sheet, {{&sheet.notes[0], 0, ""}}).text;
        for (const auto& want : kept) EXPECT_NE(out.find(want), std::string::npos) << want << " in\n" << out;
        for (const auto& want : c.set) EXPECT_NE(out.find(want), std::string::npos) << want << " in\n" << out;
    }
}

// The fixture's second sheet gets a drawing with only the Excel 16 button.
std::vector<testing::ZipEntry> with_button_sheet(const std::string& vml) {
    auto entries = testing::excel_like_entries();
    for (auto& e : entries) {
        if (e.name == "xl/worksheets/sheet2.xml")
            e.data = std::regex_replace(e.data, std::regex("<tableParts"), R"(<legacyDrawing r:id="rId1"/><tableParts)");
    }
    entries.push_back({"xl/worksheets/_rels/sheet2.xml.rels",
                       R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/vmlDrawing" Target="../drawings/vmlDrawing2.vml"/></Relationships>)"});
    entries.push_back({"xl/drawings/vmlDrawing2.vml", vml});
    return entries;
}

const Note kAdded{0, 0, u"Ann", testing::text(u"beside the button"), {}};

TEST(Drawing, FormControlsAloneAreReadOnlyWhenANoteJoinsThem) {
    ScratchDir dir;
    const std::string vml = kHead + kButton + "</xml>";
    testing::write_file(dir.path("in.xlsx"), testing::stored_zip(with_button_sheet(vml)));
    Workbook wb = load(dir.path("in.xlsx"));
    EXPECT_FALSE(wb.sheets[1].source->loaded().boxes) << "no note on the sheet: the drawing is not read";
    EXPECT_EQ(to_memory(wb)->workbooks[0]->sheets[1]->comments().size(), 0u);

    wb.sheets[1].notes.push_back(kAdded);
    save(wb, dir.path("out.xlsx"));
    const std::string out = testing::part_of(dir.path("out.xlsx"), "xl/drawings/vmlDrawing2.vml");
    // Everything stays; the note brings the shape type notes are drawn with.
    auto kept = testing::kept_elements(out, {{0, 0}});
    ASSERT_FALSE(kept.empty());
    EXPECT_TRUE(kept.back().starts_with(R"(<v:shapetype id="_x0000_t202")"));
    kept.pop_back();
    EXPECT_EQ(kept, testing::kept_elements(vml, {{0, 0}}));
    // The new note takes the next free id of the part's block and stacks
    // above the button (z-index 7) instead of sharing its place.
    EXPECT_NE(out.find(R"(id="_x0000_s2050")"), std::string::npos);
    EXPECT_NE(out.find("z-index:8;"), std::string::npos);
    EXPECT_EQ(load(dir.path("out.xlsx")).sheets[1].notes.size(), 1u);
}

// A box is read on first use, so a damaged picture refuses that use, as the
// load refuses a damaged part, and nothing before it.
TEST(Drawing, ADamagedPictureRefusesTheFirstReadOfItsBox) {
    ScratchDir dir;
    std::string zip = testing::stored_zip(testing::excel_like_entries());
    const std::string name = "xl/media/image1.png";
    zip[zip.find(name) + name.size() + 5] ^= 0x55;  // inside its stored bytes: the CRC no longer matches
    testing::write_file(dir.path("in.xlsx"), zip);
    Workbook wb = load(dir.path("in.xlsx"));
    const std::string what = testing::refusal([&] { to_memory(wb); });
    EXPECT_EQ(what.find(dir.path("in.xlsx") + ": "), 0u) << what;
    EXPECT_NE(what.find(name), std::string::npos) << what;
    EXPECT_EQ(plain_text(wb.sheets[0].notes[2].text), u"second picture") << "the texts read as ever";
}

TEST(Drawing, AnUnreadableDrawingRefusesOnlyTheSavesThatMustChangeIt) {
    ScratchDir dir;
    const std::string broken = kHead + kButton.substr(0, kButton.size() / 2);
    auto entries = with_button_sheet(broken);
    for (auto& e : entries)
        if (e.name == "xl/drawings/vmlDrawing1.vml") e.data = e.data.substr(0, e.data.size() - 30);
    testing::write_file(dir.path("in.xlsx"), testing::stored_zip(entries));
    const Workbook wb = load(dir.path("in.xlsx"));
    ASSERT_EQ(wb.sheets[0].notes.size(), 3u) << "the notes are listed with their texts";
    EXPECT_EQ(plain_text(wb.sheets[0].notes[2].text), u"second picture");

    struct Case {
        const char* what;
        std::size_t sheet;
        void (*edit)(Sheet&);
        std::string refused_part;  // "" when the save goes through
    };
    const Case cases[] = {
        {"a note's text", 0, [](Sheet& s) { s.notes[0].text = testing::text(u"new"); }, ""},
        {"a note's box", 0, [](Sheet& s) { s.notes[0].shape->width = 200; }, "xl/drawings/vmlDrawing1.vml"},
        {"a new note beside the button", 1, [](Sheet& s) { s.notes.push_back(kAdded); }, "xl/drawings/vmlDrawing2.vml"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Workbook edited = wb;
        c.edit(edited.sheets[c.sheet]);
        const std::string out = dir.path(std::string(c.what) + ".xlsx");
        if (c.refused_part.empty()) {
            save(edited, out);
            EXPECT_TRUE(edited.sheets[0].notes[0].shape.unread()) << "a text alone is saved without reading the drawing";
            EXPECT_EQ(load(out).sheets[0].notes[0].text, edited.sheets[0].notes[0].text);
            continue;
        }
        const std::string what = testing::refusal([&] { save(edited, out); });
        EXPECT_NE(what.find("\"" + c.refused_part + "\" cannot be read as VML"), std::string::npos) << what;
        EXPECT_FALSE(std::filesystem::exists(out)) << "nothing is written";
    }
}

}  // namespace
}  // namespace quill::xlsx
