// UTF-8 to Shift_JIS (code page 932) as Windows converts it: the code page's own table,
// Windows' best-fit substitutions (é becomes e, ¥ becomes \), decomposed kana composed
// first, and one default character for each character the code page lacks.
#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Converts UTF-8 text to code page 932. Malformed UTF-8 sequences and characters that
// code page 932 cannot show become `defaultChar`; the whole text is converted, zero
// bytes included.
std::string Utf8ToCp932(std::string_view utf8, char defaultChar = ' ');

// Appends the code page 932 bytes of one Unicode character; false (nothing appended)
// when the code page has no mapping for it.
bool AppendCp932(char32_t codePoint, std::string& out);

}  // namespace corvane
