// Huffman codes as LZX stores them: code lengths limited to a maximum (16 for the main and
// length trees, 15 for the pretree, 7 for the aligned-offset tree) and canonical codes
// assigned from the lengths in symbol order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane {

// Lengths (0 for unused symbols) of a Huffman code for `freq`, none above `maxLength`. Every
// code with a used symbol is complete: one used symbol gets a partner of the same length, as
// the decoders refuse a code that leaves room for more. No used symbol: all lengths 0.
void LzxCodeLengths(const uint32_t* freq, size_t count, unsigned maxLength, uint8_t* lengths);

// The canonical codes for `lengths` (bits to write most significant first).
void LzxCanonicalCodes(const uint8_t* lengths, size_t count, uint16_t* codes);

}  // namespace corvane
