// Every JIS X 0208 code through the EUC-JP and ISO-2022-JP conversions, checked against
// glibc's EUC-JP-MS to code page 932 table, an implementation independent of ours.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "text/text_encoding.h"

namespace corvane {
namespace {

// One glibc converter to UTF-8, kept open: a descriptor per character would be slow.
class ToUtf8 {
public:
    explicit ToUtf8(const char* from) : m_cd(iconv_open("UTF-8", from)) {}
    ~ToUtf8() { iconv_close(m_cd); }
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    // The character, or nothing when the bytes are not one valid character.
    std::optional<std::string> operator()(std::string text) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char out[16];
        char* in = text.data();
        size_t inLeft = text.size();
        char* dst = out;
        size_t dstLeft = sizeof out;
        if (iconv(m_cd, &in, &inLeft, &dst, &dstLeft) == static_cast<size_t>(-1) || inLeft) {
            return std::nullopt;
        }
        return std::string(out, dst);
    }

private:
    iconv_t m_cd;
};

std::string Hex(const std::string& bytes) {
    std::string out;
    char buf[4];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        out += buf;
    }
    return out;
}

TEST(JisTable, EveryJisX0208CodeGivesTheSameCharacterAsThePlatformTable) {
    // Rows 0x21-0x74: JIS X 0208 and the NEC special row 0x2D. (EUC-JP-MS puts user-defined
    // characters in the rows above; there our converter keeps the arithmetic codes.)
    // Duplicates such as 2240 ∪ may come out as another code of the same character, so the
    // outputs are compared as characters; an invalid Shift_JIS code decodes to none.
    ToUtf8 fromEuc("EUC-JP-MS"), fromSjis("CP932");
    ASSERT_TRUE(fromEuc.valid() && fromSjis.valid());
    std::vector<std::string> wrong;
    int checked = 0;
    for (unsigned row = 0x21; row <= 0x74; ++row) {
        for (unsigned cell = 0x21; cell <= 0x7E; ++cell) {
            const std::string euc{static_cast<char>(row | 0x80), static_cast<char>(cell | 0x80)};
            const auto expected = fromEuc(euc);
            if (!expected) continue;  // an unassigned code
            ++checked;
            const std::string jis = {static_cast<char>(row), static_cast<char>(cell)};
            const std::string outputs[] = {EucJpToShiftJis(euc),
                                           Iso2022JpToShiftJis("\x1B$B" + jis + "\x1B(B")};
            for (const std::string& sjis : outputs) {
                if (sjis.size() != 2 || fromSjis(sjis) != expected) {
                    wrong.push_back(Hex(jis) + " -> " + Hex(sjis));
                }
            }
        }
    }
    EXPECT_EQ(checked, 6879 + 83);  // JIS X 0208 and the NEC row
    EXPECT_TRUE(wrong.empty()) << wrong.size() << " wrong, the first " << wrong.front();
}

TEST(JisTable, CellFiveFOfOddRows) {
    // × ミ 円: the last cell before the trail bytes step over 0x7F.
    EXPECT_EQ(EucJpToShiftJis("\xA1\xDF\xA5\xDF\xB1\xDF"), "\x81\x7E\x83\x7E\x89\x7E");
    EXPECT_EQ(Iso2022JpToShiftJis("\x1B$B!_%_1_\x1B(B"), "\x81\x7E\x83\x7E\x89\x7E");
    // 降 and 梅, one cell on either side: 0x60 skips 0x7F, 0x5E does not.
    EXPECT_EQ(EucJpToShiftJis("\xB9\xDF\xC7\xDE\xC7\xE0"), "\x8D\x7E\x94\x7D\x94\x80");
}

}  // namespace
}  // namespace corvane
