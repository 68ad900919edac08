#include "platform/control_chars.h"

#include <algorithm>

namespace corvane {

bool HasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), IsControlByte);
}

std::string ShowControlCharacters(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (IsControlByte(c) && c != '\t') {
            const auto byte = static_cast<unsigned char>(c);
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace corvane
