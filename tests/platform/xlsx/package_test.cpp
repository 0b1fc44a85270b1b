#include <gtest/gtest.h>

#include <filesystem>

#include "platform/xlsx/package.h"
#include "platform/xlsx/relationships.h"
#include "platform/xlsx/source.h"
#include "xlsx_test_util.h"

namespace quill::xlsx {
namespace {

using testing::ScratchDir;
using testing::ZipEntry;

// The smallest package load accepts, as stored entries a test can spoil.
std::vector<ZipEntry> minimal_entries() {
    return {
        {"[Content_Types].xml",
         R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/></Types>)"},
        {"_rels/.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
        {"xl/workbook.xml",
         R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>)"},
        {"xl/worksheets/sheet1.xml",
         R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData><row r="1"><c r="A1"><v>1</v></c></row></sheetData></worksheet>)"},
    };
}

std::vector<ZipEntry> with(std::vector<ZipEntry> e, ZipEntry extra) {
    e.push_back(std::move(extra));
    return e;
}

std::vector<ZipEntry> without(std::vector<ZipEntry> e, const std::string& name) {
    std::erase_if(e, [&](const ZipEntry& z) { return z.name == name; });
    return e;
}

std::vector<ZipEntry> replaced(std::vector<ZipEntry> e, const std::string& name, std::string data) {
    for (auto& z : e)
        if (z.name == name) z.data = std::move(data);
    return e;
}

// The minimal package with the workbook part of this content type.
std::vector<ZipEntry> workbook_typed(const char* type) {
    return replaced(minimal_entries(), "[Content_Types].xml",
                    std::string(R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType=")") +
                        type + R"("/></Types>)");
}

TEST(Package, RefusesBadInputWithTheFileAndTheReason) {
    ScratchDir dir;
    const std::string ok = testing::stored_zip(minimal_entries());
    std::string bomb;
    {
        detail::Package p;
        for (const auto& e : minimal_entries()) p.put(e.name, e.data);
        p.put("custom/big.xml", std::string(2 << 20, ' '));  // deflates far beyond 100 times
        bomb = p.write();
    }
    const std::string ole2_head("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    std::string encrypted_name;
    for (char c : std::string("EncryptedPackage")) encrypted_name += {c, '\0'};
    std::vector<ZipEntry> many = minimal_entries();
    for (int i = 0; i < 10001; ++i) many.push_back({"x/" + std::to_string(i), ""});
    std::vector<ZipEntry> huge = minimal_entries();
    for (int i = 0; i < 21; ++i)  // 21 x 100 MiB claimed, each 100 times its stored size
        huge.push_back({"h/" + std::to_string(i), std::string(1 << 20, 'a'), 100 << 20, 1 << 20});
    const char* doctype = R"(<?xml version="1.0"?><!DOCTYPE w [<!ENTITY a "aaaa">]><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData/></worksheet>)";

    struct Case { const char* what; std::string bytes; const char* reason; };
    const Case cases[] = {
        {"not a zip", "hello, I am text", "not a zip archive"},
        {"truncated", ok.substr(0, ok.size() / 2), "truncated or damaged"},
        {"zip bomb", bomb, "expands more than 100 times"},
        {"too many entries", testing::stored_zip(many), "too many entries"},
        {"too large in total", testing::stored_zip(huge), "more than 1 GiB"},
        {"encrypted", ole2_head + std::string(600, '\0') + encrypted_name, "password-protected"},
        {"xls", ole2_head + std::string(600, '\0'), ".xls"},
        {"duplicate name", testing::stored_zip(with(minimal_entries(), minimal_entries()[2])), "duplicate part name"},
        {"xlsb", testing::stored_zip(workbook_typed("application/vnd.ms-excel.sheet.binary.macroEnabled.main")), "binary workbook"},
        {"xlsm named xlsx", testing::stored_zip(workbook_typed("application/vnd.ms-excel.sheet.macroEnabled.main+xml")), "is an .xlsm"},
        {"parent folder", testing::stored_zip(with(minimal_entries(), {"xl/../evil.xml", "x"})), "parent folder"},
        {"backslash", testing::stored_zip(with(minimal_entries(), {"xl\\evil.xml", "x"})), "backslash"},
        {"absolute", testing::stored_zip(with(minimal_entries(), {"/etc/evil.xml", "x"})), "absolute path"},
        {"encoded slash", testing::stored_zip(with(minimal_entries(), {"xl%2Fevil.xml", "x"})), "encoded slash"},
        {"trailing dot", testing::stored_zip(with(minimal_entries(), {"xl/evil.", "x"})), "trailing dot"},
        {"duplicate ignoring case", testing::stored_zip(with(minimal_entries(), {"XL/Workbook.xml", "x"})), "duplicate part name"},
        {"doctype", testing::stored_zip(replaced(minimal_entries(), "xl/worksheets/sheet1.xml", doctype)), "DOCTYPE"},
        {"doctype in an unread part", testing::stored_zip(with(minimal_entries(), {"custom/a.xml", doctype})), "DOCTYPE"},
        {"no workbook", testing::stored_zip(without(minimal_entries(), "xl/workbook.xml")), "missing part \"xl/workbook.xml\""},
        {"no sheet", testing::stored_zip(without(minimal_entries(), "xl/worksheets/sheet1.xml")), "missing part \"xl/worksheets/sheet1.xml\""},
        {"no package relationships", testing::stored_zip(without(minimal_entries(), "_rels/.rels")), "missing part \"_rels/.rels\""},
        {"dangling relationship",
         testing::stored_zip(with(minimal_entries(), {"xl/worksheets/_rels/sheet1.xml.rels",
                                                      R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId9" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/comments" Target="../comments1.xml"/></Relationships>)"})),
         "points at missing part \"xl/comments1.xml\""},
        {"malformed XML", testing::stored_zip(replaced(minimal_entries(), "xl/workbook.xml", "<workbook>")), "not well-formed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.path("bad.xlsx");
        testing::write_file(path, c.bytes);
        const std::string what = testing::refusal([&] { load(path); });
        EXPECT_EQ(what.find(path + ": "), 0u) << what;
        EXPECT_NE(what.find(c.reason, path.size()), std::string::npos) << what;
        // Bytes held in memory meet the same checks and the same reasons.
        const std::string in_memory = testing::refusal([&] { load_bytes(c.bytes, "memory.xlsx"); });
        EXPECT_EQ(in_memory, "memory.xlsx" + what.substr(path.size()));
    }
}

// A zip directory cannot bring these (libzip reads names without the UTF-8
// flag as code page 437), but a package assembled from parts can; a NUL
// would cut the name short when the package is written.
TEST(Package, ControlCharactersMakeAPartNameUnsafe) {
    EXPECT_THROW(detail::check_part_name(std::string_view("xl/a\0b.xml", 10)), detail::Invalid);
    EXPECT_THROW(detail::check_part_name("xl/a\x01.xml"), detail::Invalid);
}

// Excel opens a file only when its extension fits the workbook's kind, so a
// macro-enabled workbook loads and saves under .xlsm and is refused as .xlsx.
TEST(Package, ExtensionMustFitTheWorkbookKind) {
    ScratchDir dir;
    testing::write_file(dir.path("in.xlsm"), testing::stored_zip(workbook_typed("application/vnd.ms-excel.sheet.macroEnabled.main+xml")));
    const Workbook wb = load(dir.path("in.xlsm"));
    EXPECT_NO_THROW(save(wb, dir.path("out.xlsm")));
    EXPECT_NE(testing::refusal([&] { save(wb, dir.path("out.xlsx")); }).find("is an .xlsm but the file is named .xlsx"),
              std::string::npos);
    EXPECT_THROW(save(new_workbook(), dir.path("new.xlsm")), XlsxError);
}

// The unchanged parts are read from the file at save time, so a file that
// changed since the load must not be mixed into the result.
TEST(Package, SourceChangedSinceLoadIsRefusedAndNothingWritten) {
    ScratchDir dir;
    const std::string in = dir.path("in.xlsx");
    testing::write_file(in, testing::stored_zip(minimal_entries()));
    const Workbook wb = load(in);
    testing::write_file(in, testing::stored_zip(with(minimal_entries(), {"extra.bin", "x"})));
    for (const std::string& out : {dir.path("out.xlsx"), in}) {
        SCOPED_TRACE(out);
        EXPECT_NE(testing::refusal([&] { save(wb, out); }).find("changed after it was loaded"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path("out.xlsx")));
    EXPECT_EQ(testing::part_of(in, "extra.bin"), "x");
    EXPECT_TRUE(wb.sheets[0].notes.unread()) << "refused although nothing was read after the load";
}

// Every load and save resolves targets; these are the cases files rarely hold.
TEST(Package, RelationshipTargetsDecodeAndNeverLeaveThePackage) {
    EXPECT_EQ(detail::resolve_target("xl/drawings/vmlDrawing1.vml", "../media/image%201.png"), "xl/media/image 1.png");
    EXPECT_EQ(detail::resolve_target("", "/xl/workbook.xml"), "xl/workbook.xml");
    EXPECT_EQ(detail::resolve_target("xl/workbook.xml", "../../x"), "");
}

}  // namespace
}  // namespace quill::xlsx
