// Byte classes of Shift_JIS (code page 932), for code that walks text a character at a
// time: a trail byte may be 0x5C ('\') or another ASCII value and must not be read alone.
#pragma once

namespace corvane {

inline bool IsSjisLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

inline bool IsSjisTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

}  // namespace corvane
