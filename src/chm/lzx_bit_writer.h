// The bit order of an LZX stream: bits are packed most significant first into 16-bit words,
// and each word is stored little-endian.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

class CLzxBitWriter {
public:
    explicit CLzxBitWriter(std::string& out) : m_out(out) {}

    // Appends the low `bits` bits of `value` (at most 32), most significant first.
    void Put(uint32_t value, unsigned bits) {
        m_acc = (m_acc << bits) | value;
        m_nBits += bits;
        while (m_nBits >= 16) {
            m_nBits -= 16;
            const auto word = static_cast<uint16_t>(m_acc >> m_nBits);
            m_out.push_back(static_cast<char>(word & 0xFF));
            m_out.push_back(static_cast<char>(word >> 8));
        }
    }

    // Pads with zero bits to the next 16-bit boundary (nothing when already there).
    void AlignTo16() {
        if (m_nBits != 0) Put(0, 16 - m_nBits);
    }

    // Whole bytes appended directly (only on a 16-bit boundary).
    void PutRawBytes(const char* p, size_t n) { m_out.append(p, n); }

private:
    std::string& m_out;
    uint64_t m_acc = 0;
    unsigned m_nBits = 0;
};

}  // namespace corvane
