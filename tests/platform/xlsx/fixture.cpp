#include "xlsx_test_util.h"

namespace quill::xlsx::testing {

namespace {
const char* kRels = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
std::string rel(const char* id, const char* type, const char* target) {
    return std::string("<Relationship Id=\"") + id + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" +
           type + "\" Target=\"" + target + "\"/>";
}
}  // namespace

std::vector<ZipEntry> excel_like_entries() {
    std::vector<ZipEntry> e;
    e.push_back({"[Content_Types].xml", R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="png" ContentType="image/png"/><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Default Extension="vml" ContentType="application/vnd.openxmlformats-officedocument.vmlDrawing"/><Default Extension="bin" ContentType="application/octet-stream"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/worksheets/sheet2.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/><Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/><Override PartName="/xl/comments1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.comments+xml"/><Override PartName="/xl/threadedComments/threadedComment1.xml" ContentType="application/vnd.ms-excel.threadedcomments+xml"/></Types>)"});
    e.push_back({"_rels/.rels", std::string(kRels) + rel("rId1", "officeDocument", "xl/workbook.xml") + "</Relationships>"});
    e.push_back({"xl/workbook.xml", R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><workbookPr/><sheets><sheet name="Notes" sheetId="1" r:id="rId1"/><sheet name="Plain" sheetId="2" r:id="rId2"/></sheets></workbook>)"});
    e.push_back({"xl/_rels/workbook.xml.rels", std::string(kRels) + rel("rId1", "worksheet", "worksheets/sheet1.xml") +
                                                   rel("rId2", "worksheet", "worksheets/sheet2.xml") +
                                                   rel("rId3", "styles", "styles.xml") +
                                                   rel("rId4", "sharedStrings", "sharedStrings.xml") + "</Relationships>"});
    e.push_back({"xl/styles.xml", R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><numFmts count="1"><numFmt numFmtId="164" formatCode="dd/mm/yy hh:mm"/></numFmts><fonts count="2"><font><sz val="11"/><color theme="1"/><name val="Calibri"/></font><font><b/><i/><u val="double"/><sz val="14"/><color rgb="FF0000FF"/><name val="Arial"/></font></fonts><cellXfs count="4"><xf numFmtId="0" fontId="0"/><xf numFmtId="164" fontId="0"/><xf numFmtId="10" fontId="1"/><xf numFmtId="49" fontId="1"/></cellXfs></styleSheet>)"});
    e.push_back({"xl/sharedStrings.xml", R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="2" uniqueCount="2"><si><t>plain</t></si><si><r><t>Red</t></r><r><rPr><i val="false"/><strike/><sz val="12"/><color rgb="FFFF0000"/><rFont val="Courier New"/></rPr><t xml:space="preserve"> struck_x000D_</t></r></si></sst>)"});
    e.push_back({"xl/worksheets/sheet1.xml", R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheetFormatPr defaultRowHeight="15"/><cols><col min="2" max="3" width="20.7109375" customWidth="1"/></cols><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s" s="2"><v>1</v></c><c r="C1" s="1"><v>45366.75</v></c></row><row r="2" ht="30" customHeight="1"><c r="A2" s="2"><v>0.1234</v></c><c r="B2" t="b"><v>1</v></c><c r="C2" t="inlineStr"><is><t>inline</t></is></c><c r="D2" t="e"><v>#N/A</v></c><c r="E2" s="3"><v>12</v></c></row></sheetData><sheetProtection sheet="1" objects="1"/><pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/><legacyDrawing r:id="rId2"/></worksheet>)"});
    e.push_back({"xl/worksheets/_rels/sheet1.xml.rels", std::string(kRels) + rel("rId3", "comments", "../comments1.xml") +
                                                           rel("rId2", "vmlDrawing", "../drawings/vmlDrawing1.vml") +
                                                           "<Relationship Id=\"rId1\" Type=\"http://schemas.microsoft.com/office/2017/10/relationships/threadedComment\" Target=\"../threadedComments/threadedComment1.xml\"/></Relationships>"});
    e.push_back({"xl/worksheets/sheet2.xml", R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheetData><row r="1"><c r="A1"><v>7</v></c></row></sheetData><pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/><tableParts count="0"/></worksheet>)"});
    e.push_back({"xl/comments1.xml", R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<comments xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" mc:Ignorable="xr" xmlns:xr="http://schemas.microsoft.com/office/spreadsheetml/2014/revision"><authors><author>tc={11111111-2222-3333-4444-555555555555}</author><author>Ann</author></authors><commentList><comment ref="A1" authorId="0" shapeId="0" xr:uid="{11111111-2222-3333-4444-555555555555}"><text><t>[Threaded comment]

Your version of Excel allows you to read this threaded comment.</t></text></comment><comment ref="B3" authorId="1" shapeId="0"><text><r><rPr><b/><sz val="9"/><color indexed="81"/><rFont val="Tahoma"/><family val="2"/></rPr><t>Ann:</t></r><r><rPr><i/><u/><sz val="10"/><color rgb="FF00FF00"/><rFont val="Segoe UI"/></rPr><t xml:space="preserve">
picture note</t></r></text></comment><comment ref="D5" authorId="1" shapeId="0"><text><t>second picture</t></text></comment></commentList></comments>)"});
    e.push_back({"xl/threadedComments/threadedComment1.xml", R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<ThreadedComments xmlns="http://schemas.microsoft.com/office/spreadsheetml/2018/threadedcomments"><threadedComment ref="A1" dT="2024-01-01T00:00:00.00" personId="{00000000-0000-0000-0000-000000000000}" id="{11111111-2222-3333-4444-555555555555}"><text>Threaded</text></threadedComment></ThreadedComments>)"});
    e.push_back({"xl/drawings/vmlDrawing1.vml", R"(<xml xmlns:v="urn:schemas-microsoft-com:vml"
 xmlns:o="urn:schemas-microsoft-com:office:office"
 xmlns:x="urn:schemas-microsoft-com:office:excel"
 xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
 <o:shapelayout v:ext="edit">
  <o:idmap v:ext="edit" data="1"/>
 </o:shapelayout><v:shapetype id="_x0000_t202" coordsize="21600,21600" o:spt="202"
  path="m,l,21600r21600,l21600,xe">
  <v:stroke joinstyle="miter"/>
  <v:path gradientshapeok="t" o:connecttype="rect"/>
 </v:shapetype><v:shapetype id="_x0000_t201" coordsize="21600,21600" o:spt="201"
  path="m,l,21600r21600,l21600,xe">
  <v:stroke joinstyle="miter"/>
 </v:shapetype><v:shape id="_x0000_s1025" type="#_x0000_t202" style='position:absolute;
  margin-left:59.25pt;margin-top:1.5pt;width:96pt;height:55.5pt;z-index:1;
  visibility:hidden' fillcolor="infoBackground [80]" o:insetmode="auto">
  <v:fill color2="infoBackground [80]"/>
  <v:shadow on="t" color="black" obscured="t"/>
  <v:path o:connecttype="none"/>
  <v:textbox style='mso-direction-alt:auto'><div style='text-align:left'></div></v:textbox>
  <x:ClientData ObjectType="Note"><x:MoveWithCells/><x:SizeWithCells/><x:Anchor>
    1, 15, 0, 2, 3, 15, 4, 16</x:Anchor><x:AutoFill>False</x:AutoFill><x:Row>0</x:Row><x:Column>0</x:Column></x:ClientData>
 </v:shape><v:shape id="_x0000_s1026" type="#_x0000_t202" style='position:absolute;
  margin-left:120pt;margin-top:20pt;width:168pt;height:97.125pt;z-index:2;
  visibility:visible' fillcolor="#ffffe1" o:insetmode="auto">
  <v:fill o:relid="rId1" o:title="photo" color2="#ffffe1" recolor="t" rotate="t" type="frame" opacity="32768f"/>
  <v:shadow on="t" color="black" obscured="t"/>
  <v:path o:connecttype="none"/>
  <v:textbox style='mso-direction-alt:auto;layout-flow:vertical;mso-layout-flow-alt:bottom-to-top'><div style='text-align:left'></div></v:textbox>
  <x:ClientData ObjectType="Note"><x:MoveWithCells/><x:SizeWithCells/><x:Anchor>
    2, 15, 1, 10, 5, 15, 8, 4</x:Anchor><x:AutoFill>False</x:AutoFill><x:TextVAlign>Center</x:TextVAlign><x:Row>2</x:Row><x:Column>1</x:Column><x:Visible/></x:ClientData>
 </v:shape><v:shape id="_x0000_s1027" type="#_x0000_t202" style='position:absolute;
  margin-left:200pt;margin-top:40pt;width:2in;height:100px;z-index:3'
  fillcolor="#f00" o:insetmode="auto">
  <v:fill r:id="rId2" type="frame" opacity="50%"/>
  <v:textbox style='layout-flow:vertical'><div style='text-align:left'></div></v:textbox>
  <x:ClientData ObjectType="Note"><x:MoveWithCells/><x:SizeWithCells/><x:Anchor>
    4, 15, 3, 10, 6, 15, 8, 4</x:Anchor><x:AutoFill>False</x:AutoFill><x:TextVAlign>Bottom</x:TextVAlign><x:Row>4</x:Row><x:Column>3</x:Column></x:ClientData>
 </v:shape><v:shape id="_x0000_s1028" type="#_x0000_t201" style='position:absolute;
  margin-left:300pt;margin-top:10pt;width:72pt;height:24pt;z-index:4' o:button="t" fillcolor="buttonFace [67]" o:insetmode="auto">
  <v:fill color2="buttonFace [67]" o:detectmouseclick="t"/>
  <v:textbox style='mso-direction-alt:auto' o:singleclick="f"><div style='text-align:center'><font face="Tahoma" size="160" color="auto">Button 1</font></div></v:textbox>
  <x:ClientData ObjectType="Button"><x:Anchor>
    8, 0, 0, 13, 9, 32, 2, 0</x:Anchor><x:PrintObject>False</x:PrintObject><x:AutoFill>False</x:AutoFill><x:FmlaMacro>[0]!Button1_Click</x:FmlaMacro><x:TextHAlign>Center</x:TextHAlign><x:TextVAlign>Center</x:TextVAlign></x:ClientData>
 </v:shape></xml>)"});
    e.push_back({"xl/drawings/_rels/vmlDrawing1.vml.rels", std::string(kRels) + rel("rId1", "image", "../media/image1.png") +
                                                              rel("rId2", "image", "../media/image2.png") + "</Relationships>"});
    e.push_back({"xl/media/image1.png", tiny_png(10)});
    e.push_back({"xl/media/image2.png", tiny_png(20)});
    e.push_back({"xl/unknown/thing.bin", std::string("\x00\x01\x02unknown", 10)});
    return e;
}

void write_excel_like(const std::string& path) { write_file(path, stored_zip(excel_like_entries())); }

}  // namespace quill::xlsx::testing
