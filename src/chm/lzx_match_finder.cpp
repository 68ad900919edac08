#include "chm/lzx_match_finder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "chm/lzx_encoder.h"
#include "chm/lzx_format.h"

namespace corvane {

namespace {

constexpr unsigned kHashBits = 15;
constexpr unsigned kChain = 24;       // candidates tried per position
constexpr unsigned kNiceLength = 64;  // a match this long ends the search
constexpr unsigned kLazyLimit = 32;   // a match this long is taken without looking one on
constexpr size_t kSkipAfter = 64;     // literals in a row before the search steps over bytes

// Estimated bits, for weighing choices: a literal of typical text, a repeated offset's
// main symbol, a new offset's main symbol before its extra bits.
constexpr int kLiteralBits = 6;
constexpr int kRepeatBits = 8;
constexpr int kMatchBits = 10;

inline uint32_t Load32(const char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline uint64_t Load64(const char* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// The hash of the three bytes at `p` (which has at least three bytes after it).
inline uint32_t Hash3(const char* p, bool fourReadable) {
    const uint32_t bytes = fourReadable ? Load32(p) & 0xFFFFFF
                                        : static_cast<unsigned char>(p[0]) |
                                              static_cast<unsigned char>(p[1]) << 8 |
                                              static_cast<unsigned char>(p[2]) << 16;
    return (bytes * 0x9E3779B1u) >> (32 - kHashBits);
}

// Bits saved against sending the bytes as literals.
inline int Score(uint32_t length, uint32_t formatted) {
    const int cost = formatted < 3
                         ? kRepeatBits
                         : kMatchBits + static_cast<int>(LzxExtraBits(LzxPositionSlot(formatted)));
    return static_cast<int>(length) * kLiteralBits - cost;
}

}  // namespace

void CLzxMatchFinder::Start(std::string_view data, unsigned windowBits) {
    m_data = data;
    m_nMaxDistance = (1u << windowBits) - 3;
    m_nInserted = 0;
    m_head.assign(size_t{1} << kHashBits, -1);
    // The chains only ever reach back one window; a short interval needs no more than itself.
    const size_t ring =
        std::min(size_t{1} << windowBits, std::bit_ceil(std::max<size_t>(data.size(), 1)));
    if (m_prev.size() < ring) m_prev.resize(ring);
    m_nMask = ring - 1;
}

void CLzxMatchFinder::InsertUpTo(size_t pos) {
    const size_t hashable = m_data.size() >= 3 ? m_data.size() - 2 : 0;
    const size_t stop = std::min(pos, hashable);
    for (size_t q = m_nInserted; q < stop; ++q) {
        const uint32_t h = Hash3(m_data.data() + q, q + 4 <= m_data.size());
        m_prev[q & m_nMask] = m_head[h];
        m_head[h] = static_cast<int32_t>(q);
    }
    m_nInserted = std::max(m_nInserted, pos);
}

uint32_t CLzxMatchFinder::MatchLength(size_t pos, size_t from, size_t maxLength) const {
    const char* a = m_data.data() + pos;
    const char* b = m_data.data() + from;
    size_t n = 0;
    while (n + 8 <= maxLength) {
        const uint64_t diff = Load64(a + n) ^ Load64(b + n);
        if (diff != 0) return static_cast<uint32_t>(n + (std::countr_zero(diff) >> 3));
        n += 8;
    }
    while (n < maxLength && a[n] == b[n]) ++n;
    return static_cast<uint32_t>(n);
}

CLzxMatchFinder::CMatch CLzxMatchFinder::Best(size_t pos, size_t maxLength, const uint32_t (&r)[3],
                                              unsigned chain) {
    CMatch best;
    uint32_t longest = 1;
    for (uint32_t i = 0; i < 3; ++i) {
        const uint32_t distance = r[i];
        if ((i > 0 && distance == r[0]) || (i == 2 && distance == r[1]) || distance > pos) continue;
        const uint32_t length = MatchLength(pos, pos - distance, maxLength);
        if (length < kLzxMinMatch) continue;
        longest = std::max(longest, length);
        const int score = Score(length, i);
        if (score > best.nScore) best = {length, i, score};
    }
    if (maxLength < 3 || pos + 3 > m_data.size()) return best;

    InsertUpTo(pos);
    const uint32_t h = Hash3(m_data.data() + pos, pos + 4 <= m_data.size());
    const char* here = m_data.data() + pos;
    int32_t candidate = m_head[h];
    const bool inserted = m_nInserted > pos;  // looked at before: the chain starts at pos
    if (inserted && candidate == static_cast<int32_t>(pos)) candidate = m_prev[pos & m_nMask];
    while (candidate >= 0 && chain-- > 0 && longest < maxLength) {
        const size_t distance = pos - static_cast<size_t>(candidate);
        if (distance > m_nMaxDistance) break;
        if (m_data[static_cast<size_t>(candidate) + longest] == here[longest]) {
            const uint32_t length = MatchLength(pos, static_cast<size_t>(candidate), maxLength);
            if (length > longest) {
                longest = length;
                const int score = Score(length, static_cast<uint32_t>(distance + 2));
                if (score > best.nScore)
                    best = {length, static_cast<uint32_t>(distance + 2), score};
                if (length >= kNiceLength) break;
            }
        }
        const int32_t next = m_prev[static_cast<size_t>(candidate) & m_nMask];
        if (next >= candidate) break;
        candidate = next;
    }
    if (!inserted) {
        m_prev[pos & m_nMask] = m_head[h];
        m_head[h] = static_cast<int32_t>(pos);
        m_nInserted = pos + 1;
    }
    return best;
}

void CLzxMatchFinder::Parse(size_t begin, size_t end, uint32_t (&r)[3],
                            std::vector<CLzxItem>& items) {
    auto literal = [&](size_t pos) {
        items.push_back({0, static_cast<unsigned char>(m_data[pos])});
    };
    size_t misses = 0;  // positions in a row without a match
    for (size_t pos = begin; pos < end;) {
        const size_t frameEnd = std::min(end, (pos / kLzxFrameBytes + 1) * kLzxFrameBytes);
        CMatch match = Best(pos, std::min<size_t>(kLzxMaxMatch, frameEnd - pos), r, kChain);
        if (match.nScore <= 0) {
            // In data that does not repeat (pictures, archives) look less and less often; the
            // positions passed over are not worth remembering either.
            ++misses;
            const size_t step = std::min(
                frameEnd - pos, misses > kSkipAfter ? 1 + ((misses - kSkipAfter) >> 5) : 1);
            for (size_t k = 0; k < step; ++k) literal(pos++);
            m_nInserted = std::max(m_nInserted, pos);
            continue;
        }
        misses = 0;
        // One step of lazy evaluation: a better match one byte on wins over this one.
        while (match.nLength < kLazyLimit && pos + 1 < frameEnd) {
            const CMatch next = Best(pos + 1, std::min<size_t>(kLzxMaxMatch, frameEnd - pos - 1), r,
                                     match.nLength >= 16 ? kChain / 4 : kChain);
            if (next.nScore <= match.nScore) break;
            literal(pos++);
            match = next;
        }
        items.push_back({match.nLength, match.nFormatted});
        switch (match.nFormatted) {
            case 0:
                break;
            case 1:
                std::swap(r[0], r[1]);
                break;
            case 2:
                std::swap(r[0], r[2]);
                break;
            default:
                r[2] = r[1];
                r[1] = r[0];
                r[0] = match.nFormatted - 2;
        }
        pos += match.nLength;
    }
}

}  // namespace corvane
