#pragma once
// The number a text starts with, read the way the host runtime's Val reads
// it: the longest leading part that forms a decimal number (sign, digits, one
// decimal point, an exponent with E or D), 0 when there is none. Blanks, tabs
// and line feeds are passed over wherever they stand, as Val does, so " 9.0"
// reads 9. Radix prefixes (&H, &O) are not read: version texts never carry
// them.
#include <string_view>

namespace quill {

double leading_number(std::u16string_view text);

}  // namespace quill
