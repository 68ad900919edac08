// The word-breaker settings a help file carries ($OBJINST): the help viewer breaks a search
// query with them, so they must describe the code page the full-text index was built in.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// Settings for the standard breaker in Japanese (code page 932, locale 0x411): Shift_JIS
// lead bytes and half-width katakana get classes of their own, no byte is case-folded
// beyond ASCII, and no stemmer is named.
std::string BuildJapaneseObjInst();

// Byte classes of the table above (the first two bytes of a row).
constexpr uint16_t kObjInstLeadByteClass = 0x08;
constexpr uint16_t kObjInstKatakanaClass = 0x0A;

// Where the rows of the byte table start, and how long one row is.
constexpr size_t kObjInstTableOffset = 24 + 80;
constexpr size_t kObjInstRowSize = 10;

}  // namespace corvane
