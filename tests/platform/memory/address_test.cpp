#include "platform/memory/workbook.h"

#include <gtest/gtest.h>

#include "ports/host_error.h"

namespace quill::memory {
namespace {

TEST(Address, ParsesAndWritesA1References) {
    struct Row { const char* in; const char16_t* address; std::int64_t count; } rows[] = {
        {"B3", u"$B$3", 1},
        {"$b$3", u"$B$3", 1},
        {"C5:B2", u"$B$2:$C$5", 8},
        {"B2:B5,D2", u"$B$2:$B$5,$D$2", 5},
        {"A1:A2,A2", u"$A$1:$A$2,$A$2", 3},  // overlapping areas count twice, as the host counts
        {"XFD1048576", u"$XFD$1048576", 1},
        {"AA10", u"$AA$10", 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.in);
        const auto areas = parse_areas(r.in);
        EXPECT_EQ(absolute_address(areas), r.address);
        std::int64_t n = 0;
        for (const Area& a : areas) n += a.count();
        EXPECT_EQ(n, r.count);
    }
    for (const char* bad : {"", "B", "3", "B0", "XFE1", "A1048577", "B2:", "B2,,C3", "B2 C3", "B2;C3"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(parse_areas(bad), HostError);
    }
    EXPECT_THROW(parse_cell("B2:B3"), HostError);
    EXPECT_EQ(cell_name(CellRef{3, 28}), "AB3");
}

}  // namespace
}  // namespace quill::memory
