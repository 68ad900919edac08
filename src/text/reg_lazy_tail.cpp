#include "text/reg_lazy_tail.h"

#include <cstdint>
#include <cstring>

namespace corvane {
namespace {

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool IsTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Whether the look-ahead's body is balanced and free of groups that capture, back
// references, look-behinds, comments, extended syntax, "\G" and "\K".
bool IsPlainLookahead(std::string_view p, bool& topLevelBar) {
    topLevelBar = false;
    int depth = 0;
    std::size_t i = 0;
    while (i < p.size()) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (IsLead(c)) {
            i += 2;
            continue;
        }
        if (c == '\\') {
            if (i + 1 >= p.size()) return false;
            const auto next = static_cast<unsigned char>(p[i + 1]);
            if (std::strchr("123456789kgGK", next) != nullptr && next != '\0') return false;
            i += IsLead(next) ? 3 : 2;
            continue;
        }
        if (c == '[') {
            int classDepth = 1;
            ++i;
            if (i < p.size() && p[i] == '^') ++i;
            if (i < p.size() && p[i] == ']') return false;
            while (i < p.size() && classDepth > 0) {
                const auto d = static_cast<unsigned char>(p[i]);
                if (IsLead(d)) {
                    i += 2;
                } else if (d == '\\') {
                    i += 2;
                } else {
                    if (d == '[') ++classDepth;
                    if (d == ']') --classDepth;
                    ++i;
                }
            }
            if (classDepth > 0) return false;
            continue;
        }
        if (c == '(') {
            // Only "(?:", "(?=" and "(?!" are taken.
            if (i + 2 >= p.size() || p[i + 1] != '?' || std::strchr(":=!", p[i + 2]) == nullptr) {
                return false;
            }
            ++depth;
            i += 3;
            continue;
        }
        if (c == ')' && --depth < 0) return false;
        if (c == '|' && depth == 0) topLevelBar = true;
        ++i;
    }
    return depth == 0 && i == p.size();
}

}  // namespace

std::optional<CRegLazyTail> SplitLazyTail(std::string_view pattern, std::size_t headLength) {
    constexpr std::string_view kLazy = "(.*?)(?=";
    if (headLength == 0 || pattern.size() < headLength + kLazy.size() + 1 ||
        pattern.substr(headLength, kLazy.size()) != kLazy || pattern.back() != ')') {
        return std::nullopt;
    }
    std::string_view tail = pattern.substr(headLength + kLazy.size());
    tail.remove_suffix(1);
    bool topLevelBar = false;
    if (!IsPlainLookahead(tail, topLevelBar)) return std::nullopt;
    CRegLazyTail split;
    split.m_nHeadLength = headLength;
    if (tail.substr(0, 3) == "\\s*") {
        // "\s*a|b" is "(?:\s*a)|b": the blanks lead only the first alternative.
        if (topLevelBar) return std::nullopt;
        split.m_bLeadingBlanks = true;
        tail.remove_prefix(3);
    }
    // A quantifier right after the removed "\s*" would change what it applies to.
    if (tail.empty() || std::strchr("?*+{", tail.front()) != nullptr) return std::nullopt;
    split.m_strTail = tail;
    return split;
}

bool IsWellFormedSjis(const char* from, const char* to) {
    while (from < to) {
        if (to - from >= 8) {
            std::uint64_t word;
            std::memcpy(&word, from, sizeof word);
            if ((word & 0x8080808080808080ULL) == 0) {
                from += 8;
                continue;
            }
        }
        if (IsLead(static_cast<unsigned char>(*from))) {
            if (to - from < 2 || !IsTrail(static_cast<unsigned char>(from[1]))) return false;
            from += 2;
        } else {
            ++from;
        }
    }
    return true;
}

}  // namespace corvane
