// The literal text every match of a pattern starts with, and a search for the places where
// a match can start. Oniguruma compares case-folded literals one position at a time, which
// is slow over whole pages; the rules of the page conversion ("ig") all begin with a tag's
// literal text ("<a class=..."), so a byte search for that text finds the few positions worth
// a match attempt.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/reg_options.h"

namespace corvane {

class CRegLiteralPrefix {
public:
    // The leading literal of `pattern` (Ruby syntax, read in `encoding`) when every match
    // must start with it; empty when the pattern has no such prefix or uses something that
    // makes the prefix unsafe to rely on (a top-level "|", "\G", extended syntax).
    CRegLiteralPrefix(std::string_view pattern, RegEncoding encoding);

    bool IsUsable() const { return !m_strLiteral.empty(); }
    const std::string& Literal() const { return m_strLiteral; }

    // The first position at or after `from` where the literal stands, ASCII letters
    // compared without regard to case; `end` when there is none. A position found here
    // may lie inside a double-byte character: see NextCharStart.
    const char* Find(const char* from, const char* end) const;

    // Moves the character cursor `at` (the start of a character) forward, one character at
    // a time in the pattern's encoding, until it reaches or passes `target`.
    const char* NextCharStart(const char* at, const char* target, const char* end) const;

private:
    std::string m_strLiteral;  // lower-cased
    // The literal's byte searched first (a non-letter when there is one) and its offset.
    std::size_t m_nAnchor = 0;
    unsigned char m_lengths[256] = {};
};

}  // namespace corvane
