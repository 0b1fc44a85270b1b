#pragma once
// The font of one character, as the host's Font object, the editor and the
// .xlsx file all describe it: one value type for the three, so that a font
// crosses from a note to the editor and into a file without translation.
#include <compare>
#include <cstdint>
#include <string>

#include "ports/excel.h"

namespace quill {

struct CharFont {
    std::u16string name = u"Calibri";
    double size = 11;  // points
    bool bold = false;
    bool italic = false;
    bool strikethrough = false;
    // An xlUnderlineStyle* value. The editor knows only on and off: it reads
    // anything but None as on and writes Single.
    std::int32_t underline = host::xlUnderlineStyleNone;
    std::int32_t color = 0;  // 0x00BBGGRR

    auto operator<=>(const CharFont&) const = default;
    bool operator==(const CharFont&) const = default;
};

// Calibri 11, black: what a new cell shows.
inline CharFont cell_default_font() { return CharFont{}; }
// Tahoma 9, black: what a new note, or text that replaces a note's text, is
// written in.
inline CharFont note_default_font() { return CharFont{u"Tahoma", 9}; }
// Arial 10, black: what the editor starts with and gives text set as a whole.
inline CharFont editor_default_font() { return CharFont{u"Arial", 10}; }

}  // namespace quill
