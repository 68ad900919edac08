// The literal text every match of a pattern starts with, and a search for the places where
// a match can start. Oniguruma compares case-folded literals one position at a time, which
// is slow over whole pages; the rules of the page conversion ("ig") all begin with a tag's
// literal text ("<a class=..."), so a byte search for that text finds the few positions worth
// a match attempt.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/reg_options.h"

namespace corvane {

class CRegLiteralPrefix {
public:
    // The leading literals of `pattern` (Ruby syntax, read in `encoding`): a literal every
    // match must start with ("<a class="), or a few, when the literal is followed by a group
    // of literal alternatives ("<(a|img)" starts with "<a" or "<img"). None when the pattern
    // has no such prefix of two characters or more, or uses something that makes the prefix
    // unsafe to rely on (a top-level "|", "\G", extended syntax).
    CRegLiteralPrefix(std::string_view pattern, RegEncoding encoding);

    bool IsUsable() const { return !m_literals.empty(); }
    // Lower-cased.
    const std::vector<std::string>& Literals() const { return m_literals; }
    // Where the literal starts in the pattern: 0, or past the opening of a first group.
    std::size_t PatternOffset() const { return m_nOffset; }

    // The first position at or after `from` where one of the literals stands, ASCII
    // letters compared without regard to case; `end` when there is none. A position found
    // here may lie inside a double-byte character.
    const char* Find(const char* from, const char* end) const;

private:
    std::vector<std::string> m_literals;
    // The shortest literal's length, and the byte searched first (a non-letter when there
    // is one; all literals have it at this offset).
    std::size_t m_nShortest = 0;
    std::size_t m_nAnchor = 0;
    std::size_t m_nOffset = 0;
};

}  // namespace corvane
