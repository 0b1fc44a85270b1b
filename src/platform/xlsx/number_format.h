#pragma once
// What a cell displays: its value put through the number format.
//
// Understood: General; integer, decimal, thousands, percent, scientific and
// currency formats with up to four sections and literals; date, time and
// elapsed-time formats; the text format "@". Formats outside these families
// (fractions, conditions such as [>100]) display as General.
#include <string>

namespace quill::xlsx {

// The code of a built-in format id (0-49); "" when the id has none.
std::u16string builtin_format(int id);

std::u16string format_general(double value);
std::u16string format_number(double value, const std::u16string& code, bool date1904 = false);
std::u16string format_text(const std::u16string& text, const std::u16string& code);
// True when the code shows dates or times (used to tell date cells apart).
bool is_date_format(const std::u16string& code);

}  // namespace quill::xlsx
