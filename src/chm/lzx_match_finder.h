// The LZ77 half of the LZX compressor: finds repeats in one reset interval with hash chains
// and chooses between literals, new matches and the three repeated offsets with one step of
// lazy evaluation. Matches never cross a 32 KB frame, as the decoders require.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace corvane {

// A literal (nLength 0, the byte in nFormatted) or a match of nLength bytes whose offset is
// formatted the LZX way: 0..2 repeat R0..R2, distance d is d + 2.
struct CLzxItem {
    uint32_t nLength;
    uint32_t nFormatted;
};

class CLzxMatchFinder {
public:
    // Starts on a new interval: `data` is all of it and must stay alive while it is parsed.
    // The finder keeps its tables from one interval to the next (a thread keeps one finder).
    void Start(std::string_view data, unsigned windowBits);

    // Parses data[begin, end) (begin on a frame, end on a frame or the end of the data) into
    // `items`, starting from the repeated offsets `r` and leaving the ones after the range.
    void Parse(size_t begin, size_t end, uint32_t (&r)[3], std::vector<CLzxItem>& items);

private:
    struct CMatch {
        uint32_t nLength = 0;
        uint32_t nFormatted = 0;
        int nScore = 0;
    };
    void InsertUpTo(size_t pos);
    CMatch Best(size_t pos, size_t maxLength, const uint32_t (&r)[3], unsigned chain);
    uint32_t MatchLength(size_t pos, size_t from, size_t maxLength) const;

    std::string_view m_data;
    uint32_t m_nMaxDistance = 0;
    std::vector<int32_t> m_head;
    // The previous position of the same hash, for the last window of positions. An entry is
    // only read for a position inserted in this interval, so the ring is never cleared.
    std::vector<int32_t> m_prev;
    size_t m_nMask = 0;
    size_t m_nInserted = 0;  // positions below this are in the chains
};

}  // namespace corvane
