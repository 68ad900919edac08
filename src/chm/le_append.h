// Appends numbers to a byte string in the little-endian order the help file's format stores them.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

inline void Append16(std::string& b, uint32_t v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>((v >> 8) & 0xFF);
}

inline void Append32(std::string& b, uint32_t v) {
    Append16(b, v & 0xFFFF);
    Append16(b, v >> 16);
}

inline void Append64(std::string& b, uint64_t v) {
    Append32(b, static_cast<uint32_t>(v));
    Append32(b, static_cast<uint32_t>(v >> 32));
}

}  // namespace corvane
