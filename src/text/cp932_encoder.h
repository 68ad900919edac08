// UTF-8 to Shift_JIS (code page 932) as Windows converts it: the code page's own table,
// Windows' best-fit substitutions (é becomes e, ¥ becomes \), decomposed kana composed
// first, and one default character for each character the code page lacks.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Converts UTF-8 text to code page 932. Malformed UTF-8 sequences and characters that
// code page 932 cannot show become `defaultChar`; the whole text is converted, zero
// bytes included.
std::string Utf8ToCp932(std::string_view utf8, char defaultChar = ' ');

// Converts code page 932 text to UTF-8 as Windows decodes it: the code page's table, and
// the single bytes 0x80, 0xA0 and 0xFD to 0xFF, which Windows maps to U+0080 and the
// private-use characters U+F8F0 to U+F8F3 (and Utf8ToCp932 maps back). A byte sequence
// the code page does not define becomes U+FFFD.
std::string Cp932ToUtf8(std::string_view sjis);
// The same, but nothing when a byte sequence is not defined.
std::optional<std::string> Cp932ToUtf8Strict(std::string_view sjis);

}  // namespace corvane
