// The LZX compressor against two independent decoders: chmlib's, fed one frame at a time from
// the reset table exactly as a help viewer seeks, and libmspack's, reading the same stream as
// a cabinet (one folder per reset interval, one data block per frame).
#include "chm/lzx_encoder.h"

#include <gtest/gtest.h>
#include <lzx.h>
#include <mspack.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <stdexcept>

#include "support/test_paths.h"

namespace corvane {
namespace {

using test::ReadFileBytes;
using test::ScratchDir;
using test::WriteFileBytes;

constexpr size_t kFrame = kLzxFrameBytes;

// Decodes a section frame by frame; the decoder restarts at every interval.
std::string DecodeWithChmlib(const CLzxSection& section, unsigned windowBits,
                             size_t intervalBytes) {
    std::string out;
    LZXstate* state = LZXinit(static_cast<int>(windowBits));
    if (!state) return "(chmlib refused the window)";
    const size_t frames = section.resetTable.size();
    for (size_t i = 0; i < frames; ++i) {
        if ((i * kFrame) % intervalBytes == 0) LZXreset(state);
        const uint64_t begin = section.resetTable[i];
        const uint64_t end = i + 1 < frames ? section.resetTable[i + 1] : section.strBytes.size();
        // The decoder reads a little past the frame's bytes before it knows it is done.
        std::string in = section.strBytes.substr(begin, end - begin) + std::string(16, '\0');
        const size_t outLen = std::min<uint64_t>(kFrame, section.nUncompressed - i * kFrame);
        std::string frame(outLen, '\0');
        const int rc = LZXdecompress(state, reinterpret_cast<unsigned char*>(in.data()),
                                     reinterpret_cast<unsigned char*>(frame.data()),
                                     static_cast<int>(end - begin), static_cast<int>(outLen));
        if (rc != DECR_OK) {
            LZXteardown(state);
            return "(chmlib failed at frame " + std::to_string(i) + ")";
        }
        out += frame;
    }
    LZXteardown(state);
    return out;
}

void Put16(std::string& b, uint32_t v) {
    b.push_back(static_cast<char>(v));
    b.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A cabinet holding the section: folder k is interval k (LZX with the section's window), its
// data blocks are the interval's frames, and file "k" is the folder's whole content.
std::string MakeCabinet(const CLzxSection& section, unsigned windowBits, size_t intervalBytes) {
    const size_t frames = section.resetTable.size();
    const size_t folders = (section.nUncompressed + intervalBytes - 1) / intervalBytes;
    const size_t framesPerInterval = intervalBytes / kFrame;
    const size_t headerBytes = 36, folderBytes = 8;
    std::string files;
    for (size_t k = 0; k < folders; ++k) {
        const uint64_t length =
            std::min<uint64_t>(intervalBytes, section.nUncompressed - k * intervalBytes);
        Put32(files, static_cast<uint32_t>(length));
        Put32(files, 0);  // offset in the folder
        Put16(files, static_cast<uint32_t>(k));
        Put16(files, 0x21);  // date, time, attributes
        Put16(files, 0);
        Put16(files, 0x20);
        files += std::to_string(k);
        files.push_back('\0');
    }
    std::string data;
    std::vector<uint32_t> folderStart;
    const size_t dataBase = headerBytes + folders * folderBytes + files.size();
    for (size_t i = 0; i < frames; ++i) {
        if (i % framesPerInterval == 0)
            folderStart.push_back(static_cast<uint32_t>(dataBase + data.size()));
        const uint64_t begin = section.resetTable[i];
        const uint64_t end = i + 1 < frames ? section.resetTable[i + 1] : section.strBytes.size();
        Put32(data, 0);  // no checksum
        Put16(data, static_cast<uint32_t>(end - begin));
        Put16(data, static_cast<uint32_t>(
                        std::min<uint64_t>(kFrame, section.nUncompressed - i * kFrame)));
        data += section.strBytes.substr(begin, end - begin);
    }
    std::string cab = "MSCF";
    Put32(cab, 0);
    Put32(cab, static_cast<uint32_t>(dataBase + data.size()));
    Put32(cab, 0);
    Put32(cab, static_cast<uint32_t>(headerBytes + folders * folderBytes));
    Put32(cab, 0);
    cab.push_back(3);  // version 1.3
    cab.push_back(1);
    Put16(cab, static_cast<uint32_t>(folders));
    Put16(cab, static_cast<uint32_t>(folders));
    Put16(cab, 0);  // flags, set id, cabinet number
    Put16(cab, 0);
    Put16(cab, 0);
    for (size_t k = 0; k < folders; ++k) {
        const size_t blocks = std::min(framesPerInterval, frames - k * framesPerInterval);
        Put32(cab, folderStart[k]);
        Put16(cab, static_cast<uint32_t>(blocks));
        Put16(cab, 3 | (windowBits << 8));  // LZX
    }
    return cab + files + data;
}

std::string DecodeWithLibmspack(const CLzxSection& section, unsigned windowBits,
                                size_t intervalBytes) {
    if (section.nUncompressed == 0) return "";
    ScratchDir dir;
    const std::string cabPath = (dir / "section.cab").string();
    WriteFileBytes(cabPath, MakeCabinet(section, windowBits, intervalBytes));
    mscab_decompressor* cabd = mspack_create_cab_decompressor(nullptr);
    mscabd_cabinet* cab = cabd->open(cabd, cabPath.c_str());
    if (!cab) {
        mspack_destroy_cab_decompressor(cabd);
        return "(libmspack could not open the cabinet)";
    }
    std::string out;
    for (mscabd_file* file = cab->files; file; file = file->next) {
        const std::string outPath = (dir / "out").string();
        if (cabd->extract(cabd, file, outPath.c_str()) != MSPACK_ERR_OK) {
            out = "(libmspack failed on folder " + std::string(file->filename) + ")";
            break;
        }
        out += ReadFileBytes(outPath);
    }
    cabd->close(cabd, cab);
    mspack_destroy_cab_decompressor(cabd);
    return out;
}

std::string SampleWikiText() {
    std::string text;
    std::vector<std::filesystem::path> paths;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(test::SourceDir() / "sample" / "wiki"))
        if (entry.is_regular_file()) paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    for (const auto& path : paths) text += ReadFileBytes(path);
    return text;
}

std::string RandomBytes(size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// Runs of one byte of many lengths, some crossing frame and interval ends.
std::string Runs() {
    std::string bytes;
    for (int n = 1; bytes.size() < 5 * kFrame; n = n * 3 % 70001)
        bytes.append(static_cast<size_t>(n), static_cast<char>('a' + n % 26));
    return bytes;
}

std::string Repeat(const std::string& text, size_t n) {
    std::string out;
    while (out.size() < n) out += text;
    out.resize(n);
    return out;
}

// Eight-byte records drawn from a pool: the repeats lie a multiple of eight bytes back, which
// the aligned-offset tree codes in fewer bits.
std::string Records(size_t n) {
    std::mt19937 random(7);
    const std::string pool = RandomBytes(8 * 3000, 8);
    std::string out;
    while (out.size() < n) out += pool.substr(8 * (random() % 3000), 8);
    out.resize(n);
    return out;
}

struct RoundTripCase {
    const char* name;
    std::string data;
    unsigned windowBits;
    size_t intervalBytes;
};

class LzxRoundTrip : public testing::TestWithParam<int> {};

std::vector<RoundTripCase> Cases() {
    const std::string wiki = SampleWikiText();
    return {
        {"empty", "", 16, 2 * kFrame},
        {"one byte", "x", 16, 2 * kFrame},
        {"sample wiki", wiki, 16, 2 * kFrame},
        {"sample wiki, one long interval", wiki, 16, 8 * kFrame},
        {"random bytes", RandomBytes(3 * kFrame + 123, 1), 16, 2 * kFrame},
        {"runs", Runs(), 16, 2 * kFrame},
        {"ends on a frame", Repeat(wiki, kFrame), 16, 2 * kFrame},
        {"ends on an interval", Repeat(wiki, 4 * kFrame), 16, 2 * kFrame},
        {"one past a frame", Repeat(wiki, kFrame + 1), 16, 2 * kFrame},
        {"text then random then text", wiki.substr(0, 50000) + RandomBytes(70000, 2) + wiki, 16,
         2 * kFrame},
        {"smallest window", Repeat(wiki, 5 * kFrame + 7), 15, 2 * kFrame},
        {"largest window", Repeat(wiki + RandomBytes(9000, 3), 9 * kFrame), 21, 4 * kFrame},
        {"aligned records", Records(6 * kFrame), 16, 4 * kFrame},
        // Offsets of more than 2^18 take 17 extra bits.
        {"far repeats in a large window", Repeat(RandomBytes(700000, 5), 1000000), 21, 32 * kFrame},
    };
}

TEST_P(LzxRoundTrip, IndependentDecodersGetTheDataBack) {
    const RoundTripCase c = Cases()[static_cast<size_t>(GetParam())];
    SCOPED_TRACE(c.name);
    const CLzxSection section = LzxCompressSection(c.data, c.windowBits, c.intervalBytes, 2);
    ASSERT_EQ(section.nUncompressed, c.data.size());
    ASSERT_EQ(section.resetTable.size(), (c.data.size() + kFrame - 1) / kFrame);
    for (size_t i = 0; i < section.resetTable.size(); ++i) {
        EXPECT_EQ(section.resetTable[i] % 2, 0u) << "frame " << i << " not on a 16-bit boundary";
        if (i > 0) {
            EXPECT_GT(section.resetTable[i], section.resetTable[i - 1]);
        }
    }
    EXPECT_EQ(section.strBytes.size() % 2, 0u);
    EXPECT_TRUE(DecodeWithChmlib(section, c.windowBits, c.intervalBytes) == c.data);
    EXPECT_TRUE(DecodeWithLibmspack(section, c.windowBits, c.intervalBytes) == c.data);
}

INSTANTIATE_TEST_SUITE_P(Data, LzxRoundTrip, testing::Range(0, 14));

// The section is the intervals compressed one by one, whatever the number of threads.
TEST(LzxSectionTest, IntervalsAreIndependentStreamsInOrder) {
    const std::string data = Repeat(SampleWikiText() + RandomBytes(5000, 4), 7 * kFrame + 99);
    const CLzxSection one = LzxCompressSection(data, 16, 2 * kFrame, 1);
    const CLzxSection three = LzxCompressSection(data, 16, 2 * kFrame, 3);
    EXPECT_TRUE(one.strBytes == three.strBytes);
    EXPECT_EQ(one.resetTable, three.resetTable);

    std::string joined;
    std::vector<uint64_t> table;
    for (size_t start = 0; start < data.size(); start += 2 * kFrame) {
        const CLzxInterval interval =
            LzxCompressInterval(std::string_view(data).substr(start, 2 * kFrame), 16);
        for (uint64_t offset : interval.frameOffsets) table.push_back(joined.size() + offset);
        joined += interval.strBytes;
    }
    EXPECT_TRUE(one.strBytes == joined);
    EXPECT_EQ(one.resetTable, table);
}

// The type of an interval's first block: the bits after the E8 header bit.
unsigned FirstBlockType(const CLzxInterval& interval) {
    const auto word = static_cast<unsigned>(static_cast<unsigned char>(interval.strBytes[0]) |
                                            static_cast<unsigned char>(interval.strBytes[1]) << 8);
    return (word >> 12) & 7;
}

TEST(LzxSectionTest, EachBlockTakesTheSmallestForm) {
    std::string pages;
    for (const auto& entry :
         std::filesystem::directory_iterator(test::SourceDir() / "sample" / "wiki" / "pages"))
        pages += ReadFileBytes(entry.path());
    const CLzxInterval text = LzxCompressInterval(pages.substr(0, 2 * kFrame), 16);
    EXPECT_EQ(FirstBlockType(text), 1u) << "verbatim";
    EXPECT_LT(text.strBytes.size(), 2 * kFrame / 4) << "wiki pages compress to under a quarter";

    const CLzxInterval random = LzxCompressInterval(RandomBytes(2 * kFrame, 9), 16);
    EXPECT_EQ(FirstBlockType(random), 3u) << "stored";
    EXPECT_LE(random.strBytes.size(), 2 * kFrame + 2 * 20);

    EXPECT_EQ(FirstBlockType(LzxCompressInterval(Records(2 * kFrame), 16)), 2u) << "aligned";
}

TEST(LzxSectionTest, RefusesWindowsAndIntervalsTheFormatCannotHold) {
    EXPECT_THROW(LzxCompressInterval("abc", 14), std::invalid_argument);
    EXPECT_THROW(LzxCompressInterval("abc", 22), std::invalid_argument);
    EXPECT_THROW(LzxCompressSection("abc", 16, 0, 1), std::invalid_argument);
    EXPECT_THROW(LzxCompressSection("abc", 16, kFrame + 2, 1), std::invalid_argument);
    EXPECT_THROW(LzxCompressSection("abc", 16, (size_t{1} << 30) + kFrame, 1),
                 std::invalid_argument);
    EXPECT_NO_THROW(LzxCompressSection("", 16, kFrame, 4));
}

}  // namespace
}  // namespace corvane
