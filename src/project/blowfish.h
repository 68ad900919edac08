// CBlowfish: the Blowfish block cipher (16 rounds, 8-byte blocks, no chaining) used to
// scramble stored passwords. A block's two halves are read and written little-endian, which
// the stored passwords depend on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace corvane {

class CBlowfish {
public:
    CBlowfish();  // starts from the cipher's published initial state

    // Mixes the key (1 to 56 bytes, taken cyclically) into the state. An empty key leaves the
    // P-array unmixed but still runs the key schedule.
    void SetKey(const unsigned char* key, size_t length);
    void SetKey(std::string_view key) {
        SetKey(reinterpret_cast<const unsigned char*>(key.data()), key.size());
    }

    // n raised to the next multiple of the block size (0 stays 0).
    static size_t PaddedLength(size_t n) { return (n + 7) / 8 * 8; }

    // n must be a multiple of 8; `input` and `output` may be the same buffer.
    void EncipherBuffer(const unsigned char* input, unsigned char* output, size_t n) const;
    void DecipherBuffer(const unsigned char* input, unsigned char* output, size_t n) const;

    // One block as two 32-bit halves.
    void Encipher(uint32_t& left, uint32_t& right) const;
    void Decipher(uint32_t& left, uint32_t& right) const;

private:
    uint32_t F(uint32_t x) const;

    uint32_t m_P[18];
    uint32_t m_S[4][256];
};

}  // namespace corvane
