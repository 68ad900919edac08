// The options of one regex search, read from a short options string such as "ig".
#pragma once

#include <string_view>

namespace corvane {

// The byte encodings a pattern and its subject can be read in.
enum class RegEncoding { ShiftJis, EucJp, Utf8 };

// Letters, read left to right: "g" finds every match, "i" ignores case, and "s", "e", "u"
// choose Shift_JIS (the default), EUC-JP or UTF-8; a later encoding letter wins. Other
// characters are ignored. "." always matches a newline as well.
class CRegOptions {
public:
    explicit CRegOptions(std::string_view options = {});

    bool m_bGlobal = false;
    // Oniguruma option bits for compiling.
    unsigned m_nOption;
    RegEncoding m_nEncoding = RegEncoding::ShiftJis;
};

}  // namespace corvane
