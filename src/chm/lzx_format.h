// The numbers of the LZX format shared by its matcher and its block writer: match lengths,
// position slots (how a match offset is split into a slot and extra bits) and tree sizes.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace corvane {

inline constexpr unsigned kLzxMinMatch = 2;
inline constexpr unsigned kLzxMaxMatch = 257;
inline constexpr unsigned kLzxNumChars = 256;
inline constexpr unsigned kLzxPrimaryLengths = 7;  // length headers 0..6 say 2..8; 7 says more
inline constexpr unsigned kLzxSecondaryLengths = 249;
inline constexpr unsigned kLzxPretreeSymbols = 20;
inline constexpr unsigned kLzxAlignedSymbols = 8;
inline constexpr unsigned kLzxMaxSlots = 50;
inline constexpr unsigned kLzxMaxMainSymbols = kLzxNumChars + kLzxMaxSlots * 8;

// Position slots a window of 2^windowBits bytes uses (windowBits 15..21).
constexpr unsigned LzxPositionSlots(unsigned windowBits) {
    return windowBits == 21 ? 50 : windowBits == 20 ? 42 : windowBits * 2;
}

constexpr unsigned LzxExtraBits(unsigned slot) {
    return slot < 4 ? 0 : slot < 36 ? slot / 2 - 1 : 17;
}

inline constexpr std::array<uint32_t, kLzxMaxSlots + 1> kLzxPositionBase = [] {
    std::array<uint32_t, kLzxMaxSlots + 1> base{};
    for (unsigned slot = 1; slot <= kLzxMaxSlots; ++slot)
        base[slot] = base[slot - 1] + (1u << LzxExtraBits(slot - 1));
    return base;
}();

// The slot of a formatted offset: 0..2 name the repeated offsets R0..R2, a new offset of
// distance d is formatted as d + 2.
inline unsigned LzxPositionSlot(uint32_t formatted) {
    if (formatted < 4) return formatted;
    if (formatted >= (1u << 18)) return 34 + (formatted >> 17);
    const unsigned log = std::bit_width(formatted) - 1;
    return 2 * log + ((formatted >> (log - 1)) & 1);
}

}  // namespace corvane
