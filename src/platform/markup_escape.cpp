#include "platform/markup_escape.h"

#include "platform/ascii.h"

namespace corvane {
namespace {

const char* ReferenceFor(char c) {
    switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '"':
            return "&quot;";
        default:
            return nullptr;
    }
}

// The length of the character reference ("&name;", "&#123;", "&#x1F;") at `at`, 0 when
// the "&" there starts none.
std::size_t ReferenceLength(std::string_view text, std::size_t at) {
    std::size_t i = at + 1;
    const bool numeric = i < text.size() && text[i] == '#';
    if (numeric) ++i;
    const bool hex = numeric && i < text.size() && (text[i] == 'x' || text[i] == 'X');
    if (hex) ++i;
    const std::size_t first = i;
    while (i < text.size() && i - first < 32) {
        const char c = text[i];
        const bool ok = hex ? IsAsciiDigit(c) || (AsciiLower(c) >= 'a' && AsciiLower(c) <= 'f')
                        : numeric ? IsAsciiDigit(c)
                                  : IsAsciiAlnum(c);
        if (!ok) break;
        ++i;
    }
    if (i == first || i >= text.size() || text[i] != ';') return 0;
    return i + 1 - at;
}

}  // namespace

std::string EscapeMarkup(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const char* reference = ReferenceFor(c);
        if (reference != nullptr) {
            out += reference;
        } else {
            out += c;
        }
    }
    return out;
}

std::string EscapeMarkupKeepingReferences(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '&') {
            if (const std::size_t length = ReferenceLength(text, i); length > 0) {
                out.append(text, i, length);
                i += length - 1;
                continue;
            }
        }
        const char* reference = ReferenceFor(c);
        if (reference != nullptr) {
            out += reference;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace corvane
