// The LZX compressor of a help file's MSCompressed section. A section is a run of reset
// intervals; each interval is an independent LZX stream (fresh state, its own "no E8
// translation" header bit) cut into 32 KB frames, and every frame ends on a 16-bit boundary so
// that a reader can start decoding at any frame offset the reset table lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Uncompressed bytes per frame; a frame's compressed bytes start on a 16-bit boundary.
inline constexpr size_t kLzxFrameBytes = 32768;

// One reset interval compressed: an independent LZX stream of its data.
struct CLzxInterval {
    std::string strBytes;                // the compressed bytes of the interval
    std::vector<uint64_t> frameOffsets;  // offset in strBytes where each frame starts (first 0)
};

// Compresses `data` as one reset interval with a window of 2^windowBits bytes (15..21; help
// files use 16). Empty data gives no bytes and no frames. Throws std::invalid_argument for a
// window size out of range or more than 1 GB of data.
CLzxInterval LzxCompressInterval(std::string_view data, unsigned windowBits);

// The whole MSCompressed section.
struct CLzxSection {
    std::string strBytes;              // the compressed section
    std::vector<uint64_t> resetTable;  // compressed offset of every frame, in order (first 0)
    uint64_t nUncompressed = 0;        // bytes before compression
};

// Compresses `data` as a section of reset intervals of `intervalBytes` each (a multiple of
// kLzxFrameBytes; the last interval may be shorter), the intervals on `threads` threads (0 or
// 1: the calling thread alone; at most 64). The result does not depend on the number of threads.
// Throws std::invalid_argument for an interval that is not a positive multiple of a frame (at most
// 1 GB) or a window size out of range.
CLzxSection LzxCompressSection(std::string_view data, unsigned windowBits, size_t intervalBytes,
                               unsigned threads);

}  // namespace corvane
