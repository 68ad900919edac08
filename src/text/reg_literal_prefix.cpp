#include "text/reg_literal_prefix.h"

#include <algorithm>
#include <cstring>

#include "text/reg_engine.h"

namespace corvane {
namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Bytes that stand for themselves at the top level of a Ruby-syntax pattern. Everything
// else (escapes, classes, groups, anchors, quantifiers, "#" and line breaks, double-byte
// characters) ends the literal.
bool IsPlainLiteral(char c) {
    if (IsLetter(c) || (c >= '0' && c <= '9')) return true;
    return std::strchr(" !\"%&',-/:;<=>@_~", c) != nullptr && c != '\0';
}

// Steps over a pattern the way the regex engine reads it: a multi-byte character whole, an
// escape together with the character it escapes, a character class (classes nest) as one.
class CPatternReader {
public:
    CPatternReader(std::string_view p, const unsigned char* lengths) : m_p(p), m_lengths(lengths) {}

    std::size_t CharLength(std::size_t at) const {
        return at < m_p.size() ? m_lengths[static_cast<unsigned char>(m_p[at])] : 1;
    }
    // Where the escape at `at` (its backslash) ends.
    std::size_t SkipEscape(std::size_t at) const { return at + 1 + CharLength(at + 1); }
    // Where the class that opens at `at` (its "[") ends; inside it "|", "(" and ")" are
    // plain characters.
    std::size_t SkipClass(std::size_t at) const {
        int depth = 1;
        std::size_t i = at + 1;
        while (i < m_p.size() && depth > 0) {
            if (CharLength(i) > 1) {
                i += CharLength(i);
            } else if (m_p[i] == '\\') {
                i = SkipEscape(i);
            } else {
                if (m_p[i] == '[') ++depth;
                if (m_p[i] == ']') --depth;
                ++i;
            }
        }
        return i;
    }

private:
    std::string_view m_p;
    const unsigned char* m_lengths;
};

// Whether something in the pattern could let a match start without the leading literal,
// or makes the match depend on where the search began: an alternative at the top level,
// "\G", a comment group or extended syntax (which changes what blanks and "#" mean).
bool HasUnsafeConstruct(std::string_view p, const unsigned char* lengths) {
    const CPatternReader reader(p, lengths);
    int depth = 0;
    std::size_t i = 0;
    while (i < p.size()) {
        const char c = p[i];
        if (reader.CharLength(i) > 1) {
            i += reader.CharLength(i);
            continue;
        }
        if (c == '\\') {
            if (i + 1 < p.size() && p[i + 1] == 'G') return true;
            i = reader.SkipEscape(i);
            continue;
        }
        if (c == '[') {
            std::size_t first = i + 1;
            if (first < p.size() && p[first] == '^') ++first;
            if (first < p.size() && p[first] == ']') return true;  // rare; not worth the doubt
            i = reader.SkipClass(i);
            continue;
        }
        if (c == '(') {
            if (i + 1 < p.size() && p[i + 1] == '?') {
                if (i + 2 < p.size() && p[i + 2] == '#') return true;
                // Option letters as in "(?x)" or "(?i-x:".
                std::size_t j = i + 2;
                while (j < p.size() && (IsLetter(p[j]) || p[j] == '-')) {
                    if (p[j] == 'x') return true;
                    ++j;
                }
            }
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == '|' && depth <= 0) {
            return true;
        }
        ++i;
    }
    return false;
}

// Where the first group of a pattern that starts with one ends: the index of its ")", or
// npos when it is not closed or holds an alternative of its own (a "|" at its level).
std::size_t FirstGroupEnd(std::string_view p, const unsigned char* lengths) {
    const CPatternReader reader(p, lengths);
    int depth = 0;
    std::size_t i = 0;
    while (i < p.size()) {
        const char c = p[i];
        if (reader.CharLength(i) > 1) {
            i += reader.CharLength(i);
        } else if (c == '\\') {
            i = reader.SkipEscape(i);
        } else if (c == '[') {
            i = reader.SkipClass(i);
        } else {
            if (c == '(') ++depth;
            if (c == ')' && --depth == 0) return i;
            if (c == '|' && depth == 1) return std::string_view::npos;
            ++i;
        }
    }
    return std::string_view::npos;
}

}  // namespace

CRegLiteralPrefix::CRegLiteralPrefix(std::string_view pattern, RegEncoding encoding) {
    const OnigEncoding enc = OnigEncodingOf(encoding);
    unsigned char lengths[256];
    for (int b = 0; b < 256; ++b) {
        // In these three encodings the first byte alone tells a character's length.
        const OnigUChar probe[4] = {static_cast<OnigUChar>(b), 0, 0, 0};
        const int n = ONIGENC_MBC_ENC_LEN(enc, probe);
        lengths[b] = static_cast<unsigned char>(n < 1 ? 1 : n > 4 ? 4 : n);
    }
    if (HasUnsafeConstruct(pattern, lengths)) return;
    const auto quantified = [&](std::size_t at) {
        return at < pattern.size() && std::strchr("?*+{", pattern[at]) != nullptr;
    };
    // A pattern that opens with a group ("(<a href=...)(title=...)") starts with what the
    // group starts with, when the group is neither optional nor split into alternatives.
    std::size_t first = 0;
    if (pattern.substr(0, 3) == "(?:") {
        first = 3;
    } else if (pattern.size() > 1 && pattern[0] == '(' && pattern[1] != '?') {
        first = 1;
    }
    if (first > 0) {
        const std::size_t close = FirstGroupEnd(pattern, lengths);
        if (close == std::string_view::npos || quantified(close + 1)) return;
        m_nOffset = first;
    }
    std::size_t i = first;
    while (i < pattern.size() && IsPlainLiteral(pattern[i])) ++i;
    std::vector<std::string> tails{std::string()};
    if (quantified(i)) {
        // A quantifier after the literal applies to its last character alone.
        if (i > first) --i;
    } else if (first == 0 && i > 0 && i < pattern.size() && pattern[i] == '(') {
        // A group of plain alternatives right after the literal: "(a|img)", "(?:a|img)".
        std::size_t j = i + 1;
        if (pattern.substr(j, 2) == "?:") j += 2;
        std::vector<std::string> alternatives{std::string()};
        while (j < pattern.size() && IsPlainLiteral(pattern[j])) {
            alternatives.back() += pattern[j++];
            if (j < pattern.size() && pattern[j] == '|') {
                alternatives.emplace_back();
                ++j;
            }
        }
        bool plain = j < pattern.size() && pattern[j] == ')' && !quantified(j + 1);
        for (const std::string& alternative : alternatives) plain = plain && !alternative.empty();
        if (plain) tails = alternatives;
    }
    std::string head;
    for (std::size_t k = first; k < i; ++k) head += LowerAscii(pattern[k]);
    // The anchor byte lies in the shared part, so that one byte search serves all.
    m_nAnchor = 0;
    for (std::size_t k = 0; k < head.size(); ++k) {
        if (!IsLetter(head[k])) {
            m_nAnchor = k;
            break;
        }
    }
    if (head.empty()) return;
    m_nShortest = std::string::npos;
    for (const std::string& tail : tails) {
        std::string literal = head;
        for (char c : tail) literal += LowerAscii(c);
        // A single byte is found as fast by Oniguruma itself.
        if (literal.size() < 2) {
            m_literals.clear();
            return;
        }
        m_nShortest = std::min(m_nShortest, literal.size());
        m_literals.push_back(std::move(literal));
    }
}

const char* CRegLiteralPrefix::Find(const char* from, const char* end) const {
    if (m_literals.empty() || end - from < static_cast<std::ptrdiff_t>(m_nShortest)) return end;
    const char* const last = end - m_nShortest;  // the last place the shortest one fits
    const auto matches = [&](const char* at) {
        for (const std::string& literal : m_literals) {
            if (static_cast<std::size_t>(end - at) < literal.size()) continue;
            std::size_t k = 0;
            while (k < literal.size() && LowerAscii(at[k]) == literal[k]) ++k;
            if (k == literal.size()) return true;
        }
        return false;
    };
    const char anchor = m_literals.front()[m_nAnchor];
    if (!IsLetter(anchor)) {
        const char* p = from + m_nAnchor;
        const char* const stop = last + m_nAnchor + 1;
        while (p < stop) {
            const void* hit = std::memchr(p, anchor, static_cast<std::size_t>(stop - p));
            if (hit == nullptr) return end;
            const char* const at = static_cast<const char*>(hit) - m_nAnchor;
            if (matches(at)) return at;
            p = static_cast<const char*>(hit) + 1;
        }
        return end;
    }
    for (const char* at = from; at <= last; ++at) {
        if (LowerAscii(*at) == anchor && matches(at)) return at;
    }
    return end;
}

}  // namespace corvane
