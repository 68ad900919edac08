#include "chm/lzx_encoder.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "chm/lzx_bit_writer.h"
#include "chm/lzx_format.h"
#include "chm/lzx_huffman.h"
#include "chm/lzx_match_finder.h"

namespace corvane {

namespace {

constexpr unsigned kBlockVerbatim = 1;
constexpr unsigned kBlockAligned = 2;
constexpr unsigned kBlockUncompressed = 3;
constexpr size_t kMaxIntervalBytes = size_t{1} << 30;
constexpr unsigned kMaxThreads = 64;
constexpr size_t kBlockFrames = 2;  // frames per compressed block: trees sent this often

void CheckWindowBits(unsigned windowBits) {
    if (windowBits < 15 || windowBits > 21)
        throw std::invalid_argument("LZX window size out of range (2^15 to 2^21 bytes)");
}

void PutLittleEndian32(CLzxBitWriter& bits, uint32_t value) {
    const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8),
                           static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
    bits.PutRawBytes(bytes, 4);
}

void PutBlockHeader(CLzxBitWriter& bits, unsigned type, size_t size) {
    bits.Put(type, 3);
    bits.Put(static_cast<uint32_t>(size >> 8), 16);
    bits.Put(static_cast<uint32_t>(size & 0xFF), 8);
}

// One frame as an uncompressed block. Starts on a 16-bit boundary (plus the stream's header bit
// for the first frame), so the padding after the 27 header bits is never a whole word.
void PutUncompressedFrame(CLzxBitWriter& bits, std::string_view frame, const uint32_t (&r)[3]) {
    PutBlockHeader(bits, kBlockUncompressed, frame.size());
    bits.AlignTo16();
    for (uint32_t value : r) PutLittleEndian32(bits, value);
    bits.PutRawBytes(frame.data(), frame.size());
    // An odd-sized block is followed by one pad byte so the next block starts on a word.
    if (frame.size() & 1) bits.PutRawBytes("", 1);
}

// A run of code lengths as the pretree sends it: each new length as its difference from the
// length of the previous tree, runs of zeros and of equal lengths shortened.
class CLengthsCoding {
public:
    CLengthsCoding(const uint8_t* previous, const uint8_t* lengths, unsigned first, unsigned last) {
        for (unsigned i = first; i < last;) {
            const auto delta = [&](unsigned k) {
                return static_cast<uint8_t>((previous[k] + 17 - lengths[k]) % 17);
            };
            unsigned run = 1;
            while (i + run < last && lengths[i + run] == lengths[i]) ++run;
            if (lengths[i] == 0 && run >= 20) {
                run = std::min(run, 51u);
                Add(18, 5, run - 20);
            } else if (lengths[i] == 0 && run >= 4) {
                run = std::min(run, 19u);
                Add(17, 4, run - 4);
            } else if (run >= 4) {
                run = std::min(run, 5u);
                Add(19, 1, run - 4, delta(i));
            } else {
                run = 1;
                Add(delta(i), 0, 0);
            }
            i += run;
        }
        LzxCodeLengths(m_freq, kLzxPretreeSymbols, 15, m_lengths);
        LzxCanonicalCodes(m_lengths, kLzxPretreeSymbols, m_codes);
    }

    uint64_t Bits() const {
        uint64_t bits = 4 * kLzxPretreeSymbols;
        for (unsigned s = 0; s < kLzxPretreeSymbols; ++s)
            bits += uint64_t{m_freq[s]} * m_lengths[s];
        for (const COp& op : m_ops) bits += op.nExtraBits;
        return bits;
    }

    void Write(CLzxBitWriter& bits) const {
        for (unsigned s = 0; s < kLzxPretreeSymbols; ++s) bits.Put(m_lengths[s], 4);
        for (const COp& op : m_ops) {
            bits.Put(m_codes[op.nSymbol], m_lengths[op.nSymbol]);
            if (op.nExtraBits) bits.Put(op.nExtra, op.nExtraBits);
            if (op.nSymbol == 19) bits.Put(m_codes[op.nDelta], m_lengths[op.nDelta]);
        }
    }

private:
    struct COp {
        uint8_t nSymbol, nExtraBits, nExtra, nDelta;
    };
    void Add(unsigned symbol, unsigned extraBits, unsigned extra, unsigned delta = 0) {
        m_ops.push_back({static_cast<uint8_t>(symbol), static_cast<uint8_t>(extraBits),
                         static_cast<uint8_t>(extra), static_cast<uint8_t>(delta)});
        ++m_freq[symbol];
        if (symbol == 19) ++m_freq[delta];
    }
    std::vector<COp> m_ops;
    uint32_t m_freq[kLzxPretreeSymbols] = {};
    uint8_t m_lengths[kLzxPretreeSymbols] = {};
    uint16_t m_codes[kLzxPretreeSymbols] = {};
};

// Writes one interval: blocks of kBlockFrames frames, each sent as whichever of a verbatim, an
// aligned-offset or stored blocks is the smallest.
class CIntervalWriter {
public:
    CIntervalWriter(std::string_view data, unsigned windowBits, CLzxInterval& out)
        : m_data(data),
          m_out(out),
          m_bits(out.strBytes),
          m_nMainSymbols(kLzxNumChars + 8 * LzxPositionSlots(windowBits)) {
        m_finder.Start(data, windowBits);
    }

    void Run() {
        m_bits.Put(0, 1);  // no E8 call translation: the section holds pages, not code
        for (size_t begin = 0; begin < m_data.size(); begin += kBlockFrames * kLzxFrameBytes)
            WriteBlock(begin, std::min(m_data.size(), begin + kBlockFrames * kLzxFrameBytes));
    }

private:
    void StartFrame() { m_out.frameOffsets.push_back(m_out.strBytes.size()); }

    void WriteBlock(size_t begin, size_t end) {
        uint32_t rBefore[3] = {m_r[0], m_r[1], m_r[2]};
        m_items.clear();
        m_finder.Parse(begin, end, m_r, m_items);

        uint32_t mainFreq[kLzxMaxMainSymbols] = {}, lengthFreq[kLzxSecondaryLengths] = {},
                 alignedFreq[kLzxAlignedSymbols] = {};
        uint64_t extraBits = 0, alignedCount = 0;
        for (const CLzxItem& item : m_items) {
            if (item.nLength == 0) {
                ++mainFreq[item.nFormatted];
                continue;
            }
            const unsigned slot = LzxPositionSlot(item.nFormatted);
            const unsigned header = std::min(item.nLength - kLzxMinMatch, kLzxPrimaryLengths);
            ++mainFreq[kLzxNumChars + slot * 8 + header];
            if (header == kLzxPrimaryLengths) ++lengthFreq[item.nLength - kLzxMinMatch - header];
            const unsigned extra = LzxExtraBits(slot);
            extraBits += extra;
            if (extra >= 3) {
                ++alignedFreq[(item.nFormatted - kLzxPositionBase[slot]) & 7];
                ++alignedCount;
            }
        }
        uint8_t mainLengths[kLzxMaxMainSymbols] = {}, lengthLengths[kLzxSecondaryLengths] = {},
                alignedLengths[kLzxAlignedSymbols] = {};
        LzxCodeLengths(mainFreq, m_nMainSymbols, 16, mainLengths);
        LzxCodeLengths(lengthFreq, kLzxSecondaryLengths, 16, lengthLengths);
        LzxCodeLengths(alignedFreq, kLzxAlignedSymbols, 7, alignedLengths);
        const CLengthsCoding mainLow(m_prevMain, mainLengths, 0, kLzxNumChars);
        const CLengthsCoding mainHigh(m_prevMain, mainLengths, kLzxNumChars, m_nMainSymbols);
        const CLengthsCoding lengthTree(m_prevLength, lengthLengths, 0, kLzxSecondaryLengths);

        uint64_t verbatim = 27 + mainLow.Bits() + mainHigh.Bits() + lengthTree.Bits() + extraBits;
        for (unsigned s = 0; s < m_nMainSymbols; ++s)
            verbatim += uint64_t{mainFreq[s]} * mainLengths[s];
        for (unsigned s = 0; s < kLzxSecondaryLengths; ++s)
            verbatim += uint64_t{lengthFreq[s]} * lengthLengths[s];
        uint64_t aligned = verbatim + 3 * kLzxAlignedSymbols - 3 * alignedCount;
        for (unsigned s = 0; s < kLzxAlignedSymbols; ++s)
            aligned += uint64_t{alignedFreq[s]} * alignedLengths[s];
        const size_t frames = (end - begin + kLzxFrameBytes - 1) / kLzxFrameBytes;
        const uint64_t stored = 8 * (end - begin) + frames * (32 + 96 + 8);

        if (stored <= std::min(verbatim, aligned)) {
            std::copy(rBefore, rBefore + 3, m_r);
            for (size_t frame = begin; frame < end; frame += kLzxFrameBytes) {
                StartFrame();
                PutUncompressedFrame(
                    m_bits, m_data.substr(frame, std::min(kLzxFrameBytes, end - frame)), m_r);
                m_bits.AlignTo16();
            }
            return;
        }
        const bool useAligned = aligned < verbatim;
        StartFrame();
        PutBlockHeader(m_bits, useAligned ? kBlockAligned : kBlockVerbatim, end - begin);
        uint16_t alignedCodes[kLzxAlignedSymbols] = {};
        if (useAligned) {
            for (unsigned s = 0; s < kLzxAlignedSymbols; ++s) m_bits.Put(alignedLengths[s], 3);
            LzxCanonicalCodes(alignedLengths, kLzxAlignedSymbols, alignedCodes);
        }
        mainLow.Write(m_bits);
        mainHigh.Write(m_bits);
        lengthTree.Write(m_bits);
        std::copy(mainLengths, mainLengths + kLzxMaxMainSymbols, m_prevMain);
        std::copy(lengthLengths, lengthLengths + kLzxSecondaryLengths, m_prevLength);

        uint16_t mainCodes[kLzxMaxMainSymbols], lengthCodes[kLzxSecondaryLengths];
        LzxCanonicalCodes(mainLengths, m_nMainSymbols, mainCodes);
        LzxCanonicalCodes(lengthLengths, kLzxSecondaryLengths, lengthCodes);
        size_t pos = begin;
        size_t frameEnd = std::min(end, begin + kLzxFrameBytes);
        for (const CLzxItem& item : m_items) {
            if (item.nLength == 0) {
                m_bits.Put(mainCodes[item.nFormatted], mainLengths[item.nFormatted]);
                ++pos;
            } else {
                const unsigned slot = LzxPositionSlot(item.nFormatted);
                const unsigned header = std::min(item.nLength - kLzxMinMatch, kLzxPrimaryLengths);
                const unsigned symbol = kLzxNumChars + slot * 8 + header;
                m_bits.Put(mainCodes[symbol], mainLengths[symbol]);
                if (header == kLzxPrimaryLengths) {
                    const unsigned footer = item.nLength - kLzxMinMatch - header;
                    m_bits.Put(lengthCodes[footer], lengthLengths[footer]);
                }
                const unsigned extra = LzxExtraBits(slot);
                const uint32_t value = item.nFormatted - kLzxPositionBase[slot];
                if (useAligned && extra >= 3) {
                    if (extra > 3) m_bits.Put(value >> 3, extra - 3);
                    m_bits.Put(alignedCodes[value & 7], alignedLengths[value & 7]);
                } else if (extra > 0) {
                    m_bits.Put(value, extra);
                }
                pos += item.nLength;
            }
            if (pos == frameEnd) {
                // Every frame ends on a 16-bit boundary; the next one starts where a reader
                // that seeks to it begins.
                m_bits.AlignTo16();
                if (pos < end) {
                    StartFrame();
                    frameEnd = std::min(end, pos + kLzxFrameBytes);
                }
            }
        }
    }

    std::string_view m_data;
    CLzxInterval& m_out;
    CLzxBitWriter m_bits;
    unsigned m_nMainSymbols;
    uint32_t m_r[3] = {1, 1, 1};
    // The lengths of the last compressed block's trees: the next ones are sent as differences.
    uint8_t m_prevMain[kLzxMaxMainSymbols] = {};
    uint8_t m_prevLength[kLzxSecondaryLengths] = {};
    // Kept by the thread from one interval to the next: no large allocation per interval.
    static thread_local CLzxMatchFinder m_finder;
    static thread_local std::vector<CLzxItem> m_items;
};

thread_local CLzxMatchFinder CIntervalWriter::m_finder;
thread_local std::vector<CLzxItem> CIntervalWriter::m_items;

}  // namespace

CLzxInterval LzxCompressInterval(std::string_view data, unsigned windowBits) {
    CheckWindowBits(windowBits);
    // Positions in the match tables are 32-bit; help files use intervals of some 32 KB frames.
    if (data.size() > kMaxIntervalBytes)
        throw std::invalid_argument("LZX reset interval longer than 1 GB");
    CLzxInterval interval;
    if (data.empty()) return interval;
    CIntervalWriter(data, windowBits, interval).Run();
    return interval;
}

CLzxSection LzxCompressSection(std::string_view data, unsigned windowBits, size_t intervalBytes,
                               unsigned threads) {
    CheckWindowBits(windowBits);
    if (intervalBytes == 0 || intervalBytes % kLzxFrameBytes != 0 ||
        intervalBytes > kMaxIntervalBytes)
        throw std::invalid_argument("LZX reset interval must be a positive multiple of 32 KB");
    CLzxSection section;
    section.nUncompressed = data.size();
    const size_t count = (data.size() + intervalBytes - 1) / intervalBytes;
    const auto workers =
        static_cast<unsigned>(std::max<size_t>(1, std::min<size_t>({threads, count, kMaxThreads})));

    // Workers take intervals in order; the calling thread appends each one as soon as it and
    // all before it are done, so at most a few finished intervals wait in memory.
    std::vector<CLzxInterval> done(count);
    std::vector<char> ready(count, 0);
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<size_t> next{0};
    std::exception_ptr failure;
    auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < count;) {
            CLzxInterval interval;
            try {
                interval =
                    LzxCompressInterval(data.substr(i * intervalBytes, intervalBytes), windowBits);
            } catch (...) {
                std::lock_guard lock(mutex);
                if (!failure) failure = std::current_exception();
            }
            std::lock_guard lock(mutex);
            done[i] = std::move(interval);
            ready[i] = 1;
            changed.notify_all();
        }
    };
    std::vector<std::thread> pool;
    if (workers > 1) {
        for (unsigned n = 0; n < workers; ++n) {
            // A system that gives no more threads gets the work done on those it gave.
            try {
                pool.emplace_back(work);
            } catch (const std::system_error&) {
                break;
            }
        }
    }
    if (pool.empty()) work();

    for (size_t i = 0; i < count; ++i) {
        CLzxInterval interval;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return ready[i] != 0; });
            interval = std::move(done[i]);
        }
        const uint64_t base = section.strBytes.size();
        for (uint64_t offset : interval.frameOffsets) section.resetTable.push_back(base + offset);
        section.strBytes += interval.strBytes;
    }
    for (auto& thread : pool) thread.join();
    if (failure) std::rethrow_exception(failure);
    return section;
}

}  // namespace corvane
