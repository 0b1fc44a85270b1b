#pragma once
// Excel's VML is not always XML. Excel 16 writes a form button's caption with
// HTML's unclosed <br>; Excel 2007 files can repeat an attribute
// (o:relid="rId1" o:relid="rId1"). The reader repairs such markup into XML
// that pugixml parses, and remembers where the root's elements lie in the
// original bytes, so that a writer can copy every untouched one as it was.
//
// Repairs: HTML's empty elements (br, hr, img, ...) closed where they stand;
// an end tag that skips open elements closes them; a stray end tag and
// conditional markup (<![if ...]>) dropped; a repeated attribute dropped (the
// first counts); an unquoted or bare attribute quoted; a "<" that starts no
// tag read as text. Refused: unterminated tags, quotes, comments, CDATA, and
// elements still open at the end of the part (a truncated part).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quill::xlsx::detail {

struct VmlMarkup {
    struct Span {
        std::size_t begin = 0, end = 0;  // [begin, end) in the original bytes
    };
    std::string xml;           // the repaired markup (emptied once parsed)
    std::size_t root_tag_end;  // in the original: the '>' of the root's start tag
    bool root_empty = false;   // <xml/>: no end tag
    std::size_t root_close;    // in the original: where the root's end tag starts
    std::vector<Span> children;  // the root's child elements, in order
};

// Throws Invalid with the reason (without the part's name).
VmlMarkup read_vml_markup(std::string_view text);

}  // namespace quill::xlsx::detail
