// Byte-wise ASCII helpers: case folding, letter and digit classes, hexadecimal digits,
// percent escapes and trimming. They look at single bytes only and never at the C locale
// (the command line sets the locale from the environment, and a Latin-1 locale would fold
// bytes from 0x80 up). Meant for ASCII texts: schemes, hosts, header names, extensions; a
// Shift_JIS trail byte in A-Z would be folded like a letter.
#pragma once

#include <string>
#include <string_view>

namespace corvane {

constexpr bool IsAsciiUpper(char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool IsAsciiLower(char c) { return c >= 'a' && c <= 'z'; }
constexpr bool IsAsciiAlpha(char c) { return IsAsciiUpper(c) || IsAsciiLower(c); }
constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsAsciiAlnum(char c) { return IsAsciiAlpha(c) || IsAsciiDigit(c); }

constexpr char AsciiLower(char c) { return IsAsciiUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char AsciiUpper(char c) { return IsAsciiLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string ToLowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

inline std::string ToUpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiUpper(c);
    return out;
}

constexpr bool EqualsNoCaseAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

constexpr bool StartsWithNoCaseAscii(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCaseAscii(text.substr(0, prefix.size()), prefix);
}

// The value of a hexadecimal digit (either case), -1 for any other byte.
constexpr int HexValue(char c) {
    if (IsAsciiDigit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The upper-case hexadecimal digit of 0..15.
constexpr char HexDigit(int value) { return "0123456789ABCDEF"[value & 0x0F]; }

// Appends "%XX" (upper-case digits) for the byte.
inline void AppendPercentEscape(std::string& out, unsigned char byte) {
    out += '%';
    out += HexDigit(byte >> 4);
    out += HexDigit(byte);
}

// The text without leading and trailing bytes from `blanks`.
constexpr std::string_view TrimAscii(std::string_view text, std::string_view blanks = " \t\r\n") {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

}  // namespace corvane
