#include "platform/text_codec.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>
#include <vector>

#include "platform/sjis_text.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

// Code page 932 extension characters that glibc's stricter SHIFT_JIS lacks.
TEST(TextCodec, Cp932ExtensionsRoundTrip) {
    const std::string sjis = "\x87\x40\x87\x54\x81\x60\x82\xA0";  // ①Ⅰ～あ
    const std::string utf8 = SjisToUtf8(sjis);
    EXPECT_EQ(utf8, "\xE2\x91\xA0\xE2\x85\xA0\xEF\xBD\x9E\xE3\x81\x82");
    EXPECT_EQ(Utf8ToSjis(utf8), sjis);
}

TEST(TextCodec, BadInputIsReplacedNotDropped) {
    EXPECT_EQ(Utf8ToSjis("a\xF0\x9F\x98\x80"
                         "b"),
              "a?b");  // emoji: not in 932
    EXPECT_EQ(Utf8ToSjis("a\xFF"
                         "b",
                         " "),
              "a b");  // malformed byte
    EXPECT_FALSE(ConvertCodePageStrict("a\xFF", "UTF-8", "CP932").has_value());
    EXPECT_EQ(SjisToUtf8("a\x82"), "a\xEF\xBF\xBD");  // lead byte cut off at the end
    // A double-byte code that code page 932 lacks is one character: one replacement.
    EXPECT_EQ(SjisToUtf8("\x85\x40z"), "\xEF\xBF\xBDz");
}

TEST(TextCodec, NativePathsHoldJapaneseNames) {
    test::ScratchDir dir;
    const std::string sjisName = "\x83\x77\x83\x8B\x83\x76\x87\x40.txt";  // ヘルプ①.txt
    const std::string sjisPath = FromNativePath(dir.path()) + NativeSeparator() + sjisName;
    { std::ofstream(ToNativePath(sjisPath)) << "x"; }
    EXPECT_TRUE(std::filesystem::exists(dir.path() /
                                        "\xE3\x83\x98\xE3\x83\xAB\xE3\x83\x97\xE2\x91\xA0.txt"));
    EXPECT_EQ(FromNativePath(ToNativePath(sjisPath)), sjisPath);
}

TEST(SjisTextTest, ConvertsOnceAndGivesTheSameBytesToEveryThread) {
    static constinit CSjisText text{"中断しました"};
    std::vector<const std::string*> seen(4);
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) threads.emplace_back([&, i] { seen[i] = &text.str(); });
    for (auto& t : threads) t.join();
    EXPECT_EQ(text.str(), "\x92\x86\x92\x66\x82\xb5\x82\xdc\x82\xb5\x82\xbd");
    for (const std::string* s : seen) EXPECT_EQ(s, &text.str());
    EXPECT_EQ("[" + text + "]", "[" + text.str() + "]");
}

}  // namespace
}  // namespace corvane
