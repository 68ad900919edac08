// Patterns of the shape LITERAL(.*?)(?=TAIL), like the body rule: text from a marker up to
// the first place where a closing pattern would match. Oniguruma steps the lazy group one
// character at a time and tries the look-ahead at each; searching for the tail itself finds
// the same place with one fast search.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

struct CRegLazyTail {
    // The bytes of the leading literal; group 1 starts right after it.
    std::size_t m_nHeadLength = 0;
    // Whether the look-ahead starts with "\s*": the group then ends before the blanks that
    // lead up to the tail's match.
    bool m_bLeadingBlanks = false;
    // The look-ahead's pattern without that "\s*".
    std::string m_strTail;
};

// The parts of `pattern` (Shift_JIS, Ruby syntax) when it is exactly `headLength` bytes of
// plain literal, "(.*?)", and a look-ahead that ends the pattern and holds no group, back
// reference or anything that depends on where a search began.
std::optional<CRegLazyTail> SplitLazyTail(std::string_view pattern, std::size_t headLength);

// Whether every double-byte lead byte in [from, to) has its trail byte inside the range: on
// such text every way of finding character starts agrees.
bool IsWellFormedSjis(const char* from, const char* to);

// Whether `c` is a character that "\s" matches in Shift_JIS.
inline bool IsRegBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace corvane
