#include "platform/ascii.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <string>

namespace corvane {
namespace {

TEST(Ascii, FoldsOnlyAsciiLettersWhateverTheLocale) {
    EXPECT_EQ(ToLowerAscii("HTTP://Host.JP/"), "http://host.jp/");
    EXPECT_EQ(ToUpperAscii("jst+0900"), "JST+0900");
    // Bytes from 0x80 up are never letters: a Latin-1 locale would make 0xC0 and 0xE0 equal.
    EXPECT_FALSE(EqualsNoCaseAscii("\xC0", "\xE0"));
    EXPECT_EQ(ToLowerAscii("\xC0\xDE"), "\xC0\xDE");
    EXPECT_TRUE(EqualsNoCaseAscii("Index.PHP", "index.php"));
    EXPECT_FALSE(EqualsNoCaseAscii("index.ph", "index.php"));
    EXPECT_TRUE(StartsWithNoCaseAscii("Content-Type: x", "content-type:"));
    EXPECT_FALSE(StartsWithNoCaseAscii("Content", "content-type:"));
    EXPECT_FALSE(IsAsciiAlpha('@'));
    EXPECT_FALSE(IsAsciiAlpha('['));
    EXPECT_FALSE(IsAsciiAlpha('`'));
    EXPECT_FALSE(IsAsciiAlpha('{'));
    EXPECT_TRUE(IsAsciiAlnum('Z') && IsAsciiAlnum('a') && IsAsciiAlnum('9'));
}

TEST(Ascii, HexDigitsAndPercentEscapesOverEveryByte) {
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const char text[2] = {c, 0};
        char* end = nullptr;
        const long expected = std::isxdigit(b) ? std::strtol(text, &end, 16) : -1;
        EXPECT_EQ(HexValue(c), expected) << b;
        std::string escaped;
        AppendPercentEscape(escaped, static_cast<unsigned char>(b));
        ASSERT_EQ(escaped.size(), 3u);
        EXPECT_EQ(escaped[0], '%');
        EXPECT_EQ(HexValue(escaped[1]) * 16 + HexValue(escaped[2]), b);
        EXPECT_FALSE(IsAsciiLower(escaped[1]) || IsAsciiLower(escaped[2])) << escaped;
    }
}

TEST(Ascii, TrimsOnlyTheGivenBlanksAtBothEnds) {
    EXPECT_EQ(TrimAscii(" \t a b \r\n"), "a b");
    EXPECT_EQ(TrimAscii(" \t\r\n"), "");
    EXPECT_EQ(TrimAscii(""), "");
    EXPECT_EQ(TrimAscii("x"), "x");
    EXPECT_EQ(TrimAscii("\r\nx\r\n", " \t"), "\r\nx\r\n");
}

}  // namespace
}  // namespace corvane
