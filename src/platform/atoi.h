// Integers read from text the way the C library's atoi reads them (leading white space, a
// sign, digits up to the first other character, 0 without digits), but saturating at the
// int range instead of overflowing: project files and patterns hold user-written numbers.
#pragma once

#include <algorithm>
#include <climits>
#include <string_view>

namespace corvane {

inline int AtoiClamped(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), 1LL + INT_MAX);
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

}  // namespace corvane
