// Code lengths as LZX stores them: within the tree's limit, complete (the decoders refuse a
// code with room left), frequent symbols never longer than rarer ones, canonical codes prefix
// free.
#include "chm/lzx_huffman.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvane {
namespace {

struct CodeCase {
    const char* name;
    std::vector<uint32_t> freq;
    unsigned maxLength;
};

std::vector<uint32_t> Fibonacci(size_t n, size_t size) {
    std::vector<uint32_t> freq(size, 0);
    uint32_t a = 1, b = 1;
    for (size_t i = 0; i < n; ++i) {
        freq[i * size / n] = a;
        const uint32_t c = a + b;
        a = b;
        b = c;
    }
    return freq;
}

TEST(LzxHuffmanTest, LengthsAreLimitedCompleteAndCanonicalCodesPrefixFree) {
    std::vector<uint32_t> text(512, 0);
    for (size_t s = 0; s < text.size(); ++s) text[s] = s < 128 ? 1000 + s * 37 % 500 : s % 7;
    const std::vector<CodeCase> cases = {
        {"main tree, deep Fibonacci weights", Fibonacci(40, 512), 16},
        {"main tree, text-like", text, 16},
        {"pretree, all twenty symbols skewed", Fibonacci(20, 20), 15},
        {"aligned tree, skewed", {1, 2, 4, 8, 16, 32, 64, 128}, 7},
        {"two symbols", {0, 5, 0, 9}, 16},
        {"equal weights", std::vector<uint32_t>(256, 3), 16},
        {"one symbol used", {0, 0, 7, 0}, 16},
        {"only symbol 0 used", {7, 0, 0}, 16},
    };
    for (const CodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t n = c.freq.size();
        std::vector<uint8_t> lengths(n);
        LzxCodeLengths(c.freq.data(), n, c.maxLength, lengths.data());
        double kraft = 0;
        for (size_t s = 0; s < n; ++s) {
            EXPECT_LE(lengths[s], c.maxLength);
            if (c.freq[s] > 0) {
                EXPECT_GT(lengths[s], 0) << "used symbol " << s << " has no code";
            }
            if (lengths[s]) kraft += 1.0 / static_cast<double>(1u << lengths[s]);
            for (size_t t = 0; t < n; ++t) {
                if (c.freq[s] > c.freq[t] && c.freq[t] > 0) {
                    EXPECT_LE(lengths[s], lengths[t]);
                }
            }
        }
        EXPECT_DOUBLE_EQ(kraft, 1.0);

        std::vector<uint16_t> codes(n);
        LzxCanonicalCodes(lengths.data(), n, codes.data());
        for (size_t s = 0; s < n; ++s) {
            for (size_t t = 0; t < n; ++t) {
                if (s == t || !lengths[s] || !lengths[t] || lengths[s] > lengths[t]) continue;
                // s's code must not be the first lengths[s] bits of t's code.
                EXPECT_NE(codes[s], codes[t] >> (lengths[t] - lengths[s]))
                    << "code of " << s << " is a prefix of the code of " << t;
            }
        }
    }
}

TEST(LzxHuffmanTest, CanonicalCodesFollowLengthThenSymbolOrder) {
    // Lengths 2,1,3,3 give the codes 10, 0, 110, 111 the decoders build from them.
    const uint8_t lengths[4] = {2, 1, 3, 3};
    uint16_t codes[4];
    LzxCanonicalCodes(lengths, 4, codes);
    EXPECT_EQ(codes[0], 0b10);
    EXPECT_EQ(codes[1], 0b0);
    EXPECT_EQ(codes[2], 0b110);
    EXPECT_EQ(codes[3], 0b111);
}

TEST(LzxHuffmanTest, NoUsedSymbolGivesAnEmptyTree) {
    const uint32_t freq[249] = {};
    uint8_t lengths[249];
    LzxCodeLengths(freq, 249, 16, lengths);
    for (uint8_t length : lengths) EXPECT_EQ(length, 0);
}

}  // namespace
}  // namespace corvane
