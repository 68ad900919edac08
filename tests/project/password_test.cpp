#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "project/blowfish.h"
#include "project/corvane_doc.h"

namespace corvane {
namespace {

struct Vector {
    std::vector<unsigned char> key;
    uint32_t plain[2];
    uint32_t cipher[2];
};

// Published Blowfish test vectors. They are given as big-endian bytes; here each 8-byte
// block is already split into its two 32-bit halves, which is what the cipher works on.
const Vector kVectors[] = {
    {{0, 0, 0, 0, 0, 0, 0, 0}, {0x00000000, 0x00000000}, {0x4EF99745, 0x6198DD78}},
    {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
     {0xFFFFFFFF, 0xFFFFFFFF},
     {0x51866FD5, 0xB85ECB8A}},
    {{0x30, 0, 0, 0, 0, 0, 0, 0}, {0x10000000, 0x00000001}, {0x7D856F9A, 0x613063F2}},
    {{0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11},
     {0x11111111, 0x11111111},
     {0x2466DD87, 0x8B963C9D}},
    {{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF},
     {0x11111111, 0x11111111},
     {0x61F9C380, 0x2281B096}},
    {{0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10},
     {0x01234567, 0x89ABCDEF},
     {0x0ACEAB0F, 0xC6A0A28D}},
    // Variable key length: one byte, taken cyclically.
    {{0xF0}, {0xFEDCBA98, 0x76543210}, {0xF9AD597C, 0x49DB005E}},
};

std::vector<unsigned char> LittleEndianBlock(const uint32_t (&halves)[2]) {
    std::vector<unsigned char> block;
    for (uint32_t half : halves) {
        for (int i = 0; i < 4; ++i) block.push_back(static_cast<unsigned char>(half >> (8 * i)));
    }
    return block;
}

TEST(BlowfishTest, MatchesPublishedVectorsInLittleEndianLayout) {
    for (const Vector& v : kVectors) {
        CBlowfish cipher;
        cipher.SetKey(v.key.data(), v.key.size());
        uint32_t l = v.plain[0], r = v.plain[1];
        cipher.Encipher(l, r);
        EXPECT_EQ(l, v.cipher[0]);
        EXPECT_EQ(r, v.cipher[1]);
        cipher.Decipher(l, r);
        EXPECT_EQ(l, v.plain[0]);
        EXPECT_EQ(r, v.plain[1]);

        // The buffer functions read each half least significant byte first; two blocks, in
        // place, with no chaining between them.
        std::vector<unsigned char> buffer = LittleEndianBlock(v.plain);
        buffer.insert(buffer.end(), buffer.begin(), buffer.end());
        cipher.EncipherBuffer(buffer.data(), buffer.data(), buffer.size());
        std::vector<unsigned char> expected = LittleEndianBlock(v.cipher);
        expected.insert(expected.end(), expected.begin(), expected.end());
        EXPECT_EQ(buffer, expected);
        std::vector<unsigned char> back(16);
        cipher.DecipherBuffer(buffer.data(), back.data(), 16);
        EXPECT_EQ(std::vector<unsigned char>(back.begin(), back.begin() + 8),
                  LittleEndianBlock(v.plain));
    }
}

TEST(BlowfishTest, PaddedLength) {
    EXPECT_EQ(CBlowfish::PaddedLength(0), 0u);
    EXPECT_EQ(CBlowfish::PaddedLength(1), 8u);
    EXPECT_EQ(CBlowfish::PaddedLength(8), 8u);
    EXPECT_EQ(CBlowfish::PaddedLength(9), 16u);
}

// The enciphered bytes a stored text stands for.
std::vector<unsigned char> Decode(const std::string& stored) {
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] == '%') {
            bytes.push_back(
                static_cast<unsigned char>(std::stoi(stored.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            bytes.push_back(stored[i] == '+' ? 0x20 : static_cast<unsigned char>(stored[i]));
        }
    }
    return bytes;
}

TEST(PasswordTest, EveryLengthRoundTripsIncludingAwkwardCipherBytes) {
    std::mt19937 random(20240607);
    const unsigned char awkward[] = {0x00, 0x20, 0x25, 0x2B};
    for (size_t length = 0; length <= 17; ++length) {
        bool seen[4] = {length == 0, length == 0, length == 0, length == 0};
        for (int attempt = 0; attempt < 4000 && !(seen[0] && seen[1] && seen[2] && seen[3]);
             ++attempt) {
            std::string plain;
            for (size_t i = 0; i < length; ++i) plain += static_cast<char>(1 + random() % 255);
            const std::string stored = CCorvaneDoc::ScramblePassword(plain);
            ASSERT_EQ(CCorvaneDoc::UnscramblePassword(stored), plain) << "length " << length;
            EXPECT_EQ(stored.find_first_not_of(
                          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+%"),
                      std::string::npos);
            const std::vector<unsigned char> bytes = Decode(stored);
            ASSERT_EQ(bytes.size(), CBlowfish::PaddedLength(length));
            for (int k = 0; k < 4; ++k) {
                if (std::find(bytes.begin(), bytes.end(), awkward[k]) != bytes.end())
                    seen[k] = true;
            }
        }
        for (int k = 0; k < 4; ++k) EXPECT_TRUE(seen[k]) << "length " << length << " byte " << k;
    }
}

TEST(PasswordTest, StoredTextForm) {
    EXPECT_EQ(CCorvaneDoc::ScramblePassword(""), "");
    EXPECT_EQ(CCorvaneDoc::UnscramblePassword(""), "");
    EXPECT_EQ(Decode(CCorvaneDoc::ScramblePassword("12345678")).size(), 8u);
    EXPECT_EQ(Decode(CCorvaneDoc::ScramblePassword("123456789")).size(), 16u);
    // Escapes are upper-case hexadecimal; lower case decodes too.
    const std::string stored = CCorvaneDoc::ScramblePassword("password");
    for (size_t i = stored.find('%'); i != std::string::npos; i = stored.find('%', i + 1)) {
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(stored[i + 1])) ||
                    std::isupper(static_cast<unsigned char>(stored[i + 1])));
    }
    std::string lower = stored;
    for (size_t i = lower.find('%'); i != std::string::npos; i = lower.find('%', i + 1)) {
        lower[i + 1] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[i + 1])));
        lower[i + 2] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[i + 2])));
    }
    EXPECT_EQ(CCorvaneDoc::UnscramblePassword(lower), "password");
}

TEST(PasswordTest, MalformedStoredTextStaysInsideTheBuffer) {
    // Never written by the program: a partial block and a "%" without two hex digits.
    EXPECT_NO_THROW(CCorvaneDoc::UnscramblePassword("abc"));
    EXPECT_NO_THROW(CCorvaneDoc::UnscramblePassword("%"));
    EXPECT_NO_THROW(CCorvaneDoc::UnscramblePassword("abcdefg%4"));
    EXPECT_LE(CCorvaneDoc::UnscramblePassword("abc").size(), 8u);
}

}  // namespace
}  // namespace corvane
