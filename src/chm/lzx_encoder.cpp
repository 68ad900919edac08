#include "chm/lzx_encoder.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "chm/lzx_bit_writer.h"

namespace corvane {

namespace {

constexpr unsigned kBlockUncompressed = 3;

void CheckWindowBits(unsigned windowBits) {
    if (windowBits < 15 || windowBits > 21)
        throw std::invalid_argument("LZX window size out of range (2^15 to 2^21 bytes)");
}

void PutLittleEndian32(CLzxBitWriter& bits, uint32_t value) {
    const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8),
                           static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
    bits.PutRawBytes(bytes, 4);
}

// One frame as an uncompressed block. Starts on a 16-bit boundary (plus the stream's header bit
// for the first frame), so the padding after the 27 header bits is never a whole word.
void PutUncompressedFrame(CLzxBitWriter& bits, std::string_view frame, const uint32_t (&r)[3]) {
    bits.Put(kBlockUncompressed, 3);
    bits.Put(static_cast<uint32_t>(frame.size() >> 8), 16);
    bits.Put(static_cast<uint32_t>(frame.size() & 0xFF), 8);
    bits.AlignTo16();
    for (uint32_t value : r) PutLittleEndian32(bits, value);
    bits.PutRawBytes(frame.data(), frame.size());
    // An odd-sized block is followed by one pad byte so the next block starts on a word.
    if (frame.size() & 1) bits.PutRawBytes("", 1);
}

}  // namespace

CLzxInterval LzxCompressInterval(std::string_view data, unsigned windowBits) {
    CheckWindowBits(windowBits);
    CLzxInterval interval;
    if (data.empty()) return interval;
    CLzxBitWriter bits(interval.strBytes);
    bits.Put(0, 1);  // no E8 call translation: the section holds pages and pictures, not code
    const uint32_t r[3] = {1, 1, 1};
    for (size_t start = 0; start < data.size(); start += kLzxFrameBytes) {
        interval.frameOffsets.push_back(interval.strBytes.size());
        PutUncompressedFrame(bits, data.substr(start, kLzxFrameBytes), r);
        bits.AlignTo16();
    }
    return interval;
}

CLzxSection LzxCompressSection(std::string_view data, unsigned windowBits, size_t intervalBytes,
                               unsigned threads) {
    CheckWindowBits(windowBits);
    if (intervalBytes == 0 || intervalBytes % kLzxFrameBytes != 0)
        throw std::invalid_argument("LZX reset interval must be a positive multiple of 32 KB");
    CLzxSection section;
    section.nUncompressed = data.size();
    const size_t count = (data.size() + intervalBytes - 1) / intervalBytes;
    const unsigned workers = std::max(1u, std::min<unsigned>(threads, count));

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
    if (workers == 1)
        work();
    else
        for (unsigned n = 0; n < workers; ++n) pool.emplace_back(work);

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
