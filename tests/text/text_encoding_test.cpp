#include "text/text_encoding.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <vector>

#include "platform/text_codec.h"
#include "support/test_paths.h"
#include "text/cp932_encoder.h"
#include "text/width_normalizer.h"

namespace corvane {
namespace {

// A wiki page as PukiWiki serves it, in UTF-8: kanji, kana, a wave dash (U+301C, as
// macOS and EUC-JP-derived text carry it), NEC specials and half-width katakana.
const std::string kPageUtf8 =
    "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n"
    " <meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\" />\n"
    " <title>はじめに - PukiWiki</title>\n</head>\n<body>\n"
    "<div id=\"body\"><h2 id=\"content_1_0\">目次</h2>\n"
    "<ul class=\"list1 list-indent1\"><li><a href=\"./?%E3%81%AF\">はじめに</a></li>\n"
    "<li><a href=\"./?FAQ\">よくある質問</a></li></ul>\n"
    "<p>受付時間は平日の10時〜17時です。①設定を開き、②ヘルプ作成を押します。</p>\n"
    "<p>Ⅰ章：ｶﾀｶﾅで書かれた説明もあります。ファイル名は「manual.chm」です。</p>\n"
    "</div>\n</body>\n</html>\n";

std::string Sjis(std::initializer_list<unsigned> bytes) {
    std::string s;
    for (unsigned b : bytes) s += static_cast<char>(b);
    return s;
}

// Code page 932 of the page, by the platform converter; the one character it maps
// differently (U+301C) is written as code page 932's own wave dash first.
std::string ExpectedSjis(const std::string& utf8) {
    std::string text = utf8;
    for (size_t at; (at = text.find("\xE3\x80\x9C")) != std::string::npos;) {
        text.replace(at, 3, "\xEF\xBD\x9E");
    }
    return Utf8ToSjis(text);
}

TEST(DetectEncoding, TrivialTextsAndByteOrderMarks) {
    EXPECT_EQ(DetectEncoding(""), kEncodingAscii);
    EXPECT_EQ(DetectEncoding(nullptr, 0), kEncodingAscii);
    EXPECT_EQ(DetectEncoding("<p>plain</p>"), kEncodingAscii);
    EXPECT_EQ(DetectEncoding("a\x1B$Bb"), kEncodingIso2022Jp);
    EXPECT_EQ(DetectEncoding("\xEF\xBB\xBF\xA4\xA2\xA4\xA4"), kEncodingUtf8);  // BOM wins
    EXPECT_EQ(DetectEncoding(std::string("\xFF\xFE<\0p\0", 6)), kEncodingUtf16Le);
    EXPECT_EQ(DetectEncoding(std::string("\xFE\xFF\0<\0p", 6)), kEncodingUtf16Be);
}

TEST(IsValidIn, WholeCharactersOnly) {
    struct Case {
        std::string bytes;
        TextEncoding encoding;
        bool valid;
    } const cases[] = {
        {"plain", kEncodingIso2022Jp, true},
        {"plain", kEncodingAscii, false},  // never declared
        {"目次", kEncodingUtf8, true},
        {"😀", kEncodingUtf8, true},
        {"\xE7\x9B", kEncodingUtf8, false},      // cut short at the end
        {"\xC0\xAF", kEncodingUtf8, false},      // overlong '/'
        {"\xE0\x80\xAF", kEncodingUtf8, false},  // overlong '/'
        {"\xED\xA0\x80", kEncodingUtf8, false},  // a surrogate
        {"\xF4\x90\x80\x80", kEncodingUtf8, false},
        {Utf8ToSjis("目次"), kEncodingUtf8, false},
        {Utf8ToSjis("目次ｱ"), kEncodingShiftJis, true},
        {"\xB1\x96", kEncodingShiftJis, false},  // a lead byte at the end
        {"\x80", kEncodingShiftJis, false},
        {"\xFD", kEncodingShiftJis, false},
        {ConvertCodePage("目次ｱ", "UTF-8", "EUC-JP", "?") + "\x8F\xB0\xA1", kEncodingEucJp, true},
        {"\xCC", kEncodingEucJp, false},
        {"\x8E\xE0", kEncodingEucJp, false},
        {"\x8F\xB0", kEncodingEucJp, false},
        {"\xCC\x41", kEncodingEucJp, false},
        {"\x1B$B\xCC", kEncodingIso2022Jp, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidIn(c.bytes, c.encoding), c.valid)
            << testing::PrintToString(c.bytes) << " in " << c.encoding;
    }
}

TEST(DetectEncoding, RealisticPagesInEveryEncoding) {
    const std::string sjis = ExpectedSjis(kPageUtf8);
    EXPECT_EQ(DetectEncoding(kPageUtf8), kEncodingUtf8);
    EXPECT_EQ(DetectEncoding(sjis), kEncodingShiftJis);
    EXPECT_EQ(DetectEncoding(ConvertCodePage(kPageUtf8, "UTF-8", "EUC-JP-MS", "?")),
              kEncodingEucJp);
    const std::string jis = ConvertCodePage("<p>日本語のページ</p>", "UTF-8", "ISO-2022-JP", "?");
    ASSERT_NE(jis.find("\x1B$B"), std::string::npos);
    EXPECT_EQ(DetectEncoding(jis), kEncodingIso2022Jp);

    // The sample wiki's start page, as a PukiWiki 1.5 site serves it.
    const std::string front =
        test::ReadFileBytes(test::SourceDir() / "sample/wiki/pages/FrontPage.html");
    ASSERT_FALSE(front.empty());
    EXPECT_EQ(DetectEncoding(front), kEncodingUtf8);
    EXPECT_EQ(DetectEncoding(Utf8ToSjis(front)), kEncodingShiftJis);
    EXPECT_EQ(DetectEncoding(ConvertCodePage(front, "UTF-8", "EUC-JP-MS", "?")), kEncodingEucJp);
}

TEST(DetectEncoding, HalfWidthKatakanaAndTies) {
    // Shift_JIS with half-width katakana only: 7 per byte, not an EUC-JP text.
    EXPECT_EQ(DetectEncoding("<p>\xB6\xC0\xB6\xC5\xC3\xDE\xBD</p>"), kEncodingShiftJis);  // ｶﾀｶﾅﾃﾞｽ
    // E0 A1 scores 16 both as Shift_JIS and as EUC-JP: undetermined, left unchanged,
    // whatever UTF-8 scores.
    EXPECT_EQ(DetectEncoding("\xE0\xA1"), kEncodingUndetermined);
    EXPECT_EQ(ConvertToShiftJis("\xE0\xA1"), "\xE0\xA1");
}

TEST(DetectEncoding, FourByteSequencesAreUtf8) {
    // Three emoji and a kanji beyond the first plane (𠮷) in a UTF-8 page: valid UTF-8, so
    // the page is converted, and what code page 932 lacks becomes one blank each.
    std::string page = kPageUtf8;
    page.insert(page.find("</div>"), "<p>🎉🚀 完成です📘 𠮷</p>\n");
    EXPECT_EQ(DetectEncoding(page), kEncodingUtf8);
    const std::string sjis = ConvertToShiftJis(page);
    EXPECT_NE(sjis.find(Utf8ToSjis("<p>   完成です   </p>")), std::string::npos);
    EXPECT_EQ(sjis, ExpectedSjis(kPageUtf8).insert(ExpectedSjis(kPageUtf8).find("</div>"),
                                                   Utf8ToSjis("<p>   完成です   </p>\n")));
    // Broken four-byte sequences stay errors.
    EXPECT_NE(DetectEncoding("\xF0\x9F\x98\x41\xF0\x9F\x98"), kEncodingUtf8);
    EXPECT_NE(DetectEncoding("\xF8\x88\x80\x80\x80"), kEncodingUtf8);
    // The sample wiki's change log carries emoji too.
    const std::string log =
        test::ReadFileBytes(test::SourceDir() / "sample/wiki/pages/ChangeLog.html");
    ASSERT_NE(log.find("\xF0\x9F"), std::string::npos);
    EXPECT_EQ(DetectEncoding(log), kEncodingUtf8);
}

TEST(ConvertToShiftJis, EucJpPageEqualsCodePage932) {
    const std::string euc = ConvertCodePage(kPageUtf8, "UTF-8", "EUC-JP-MS", "?");
    const std::string converted = ConvertToShiftJis(euc);
    EXPECT_EQ(converted, ExpectedSjis(kPageUtf8));
    EXPECT_NE(converted.find("\x87\x40"), std::string::npos);  // ①
    EXPECT_NE(converted.find("\x87\x54"), std::string::npos);  // Ⅰ
    EXPECT_NE(converted.find("\x81\x60"), std::string::npos);  // ～ from EUC A1 C1

    EXPECT_EQ(EucJpToShiftJis("\xB0\xA1"), "\x88\x9F");                  // 亜
    EXPECT_EQ(EucJpToShiftJis("a\x8E\xB1z"), "a\xB1z");                  // ｱ
    EXPECT_EQ(EucJpToShiftJis("\xA2\xC0\xA2\xC1"), "\x87\x9C\x87\x9B");  // ∪∩ from the NEC row
}

TEST(ConvertToShiftJis, EucJpSupplementaryKanjiDoNotShiftTheText) {
    // 0x8F + two bytes is one JIS X 0212 character. 纊 and № exist in code page 932;
    // 丂 does not and becomes one blank. The text after it stays intact.
    EXPECT_EQ(EucJpToShiftJis("\x8F\xD4\xE3\xA4\xA2"), "\xFA\x5C\x82\xA0");  // 纊あ
    EXPECT_EQ(EucJpToShiftJis("\x8F\xA2\xF1"), "\x87\x82");                  // №
    EXPECT_EQ(EucJpToShiftJis("\"\x8F\xB0\xA1\"<\xA4\xA2"), "\" \"<\x82\xA0");
    // A page that holds one: still EUC-JP, still converted whole.
    const std::string page = "<p>\xB4\xC1\xBB\xFA\x8F\xB0\xA1\xA4\xCE\xC9\xBD</p>";  // 漢字丂の表
    EXPECT_EQ(ConvertToShiftJis(page), "<p>\x8A\xBF\x8E\x9A \x82\xCC\x95\x5C</p>");
}

TEST(ConvertToShiftJis, Iso2022Jp) {
    const std::string jis = "\x1B$B$3$s$K$A$O\x1B(B, \x1B$B-!-5\x1B(J!";  // こんにちは, ①Ⅰ!
    EXPECT_EQ(ConvertToShiftJis(jis),
              "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD, \x87\x40\x87\x54!");
    EXPECT_EQ(Iso2022JpToShiftJis("\x1B(I1\x1B(Bx"), "\xB1x");  // ｱ
    EXPECT_EQ(Iso2022JpToShiftJis("a\x0E"
                                  "16\x0F"
                                  "b"),
              "a\xB1\xB6"
              "b");  // SO/SI
    EXPECT_EQ(Iso2022JpToShiftJis("\x1B$@0!\x1B$(O0!\x1B(B"), "\x88\x9F\x88\x9F");
    EXPECT_EQ(Iso2022JpToShiftJis("\x1B$B\"@!A\x1B(B"), "\x87\x9C\x81\x60");  // ∪ ～
    // JIS X 0212 after ESC $ ( D: the escape does not leak, the pair is one character.
    EXPECT_EQ(Iso2022JpToShiftJis("\x1B$(D\"q\x1B(Bx"), "\x87\x82x");
    // The platform's own ISO-2022-JP encoding of the page converts like code page 932.
    const std::string text = "<p>受付時間は平日の10時〜17時です。「manual.chm」</p>";
    EXPECT_EQ(ConvertToShiftJis(ConvertCodePage(text, "UTF-8", "ISO-2022-JP", "?")),
              ExpectedSjis(text));
}

TEST(ConvertToShiftJis, Utf8PageEqualsCodePage932) {
    EXPECT_EQ(ConvertToShiftJis(kPageUtf8), ExpectedSjis(kPageUtf8));
    const std::string front =
        test::ReadFileBytes(test::SourceDir() / "sample/wiki/pages/FrontPage.html");
    EXPECT_EQ(ConvertToShiftJis(front), ExpectedSjis(front));
}

TEST(Utf8ToCp932, WindowsMappingsOfLookAlikes) {
    struct Case {
        const char* utf8;
        std::string sjis;
    } cases[] = {
        {"①Ⅰⅰ№", Sjis({0x87, 0x40, 0x87, 0x54, 0xFA, 0x40, 0x87, 0x82})},
        {"～〜", Sjis({0x81, 0x60, 0x81, 0x60})},                           // U+FF5E, U+301C
        {"∥‖", Sjis({0x81, 0x61, 0x81, 0x61})},                             // U+2225, U+2016
        {"－−", Sjis({0x81, 0x7C, 0x81, 0x7C})},                            // U+FF0D, U+2212
        {"―—", Sjis({0x81, 0x5C, 0x81, 0x5C})},                             // U+2015, U+2014
        {"￢¬≒∵", Sjis({0x81, 0xCA, 0x81, 0xCA, 0x81, 0xE0, 0x81, 0xE6})},  // JIS rows first
        {"纊髙", Sjis({0xFA, 0x5C, 0xFB, 0xFC})},       // IBM, not NEC-selected, rows
        {"¢£¥", Sjis({0x81, 0x91, 0x81, 0x92, 0x5C})},  // best fit
        {"café ©µ", Sjis({'c', 'a', 'f', 'e', ' ', 'c', 0x83, 0xCA})},
        {"ｱｶﾞ", Sjis({0xB1, 0xB6, 0xDE})},
        {"\xEE\x80\x80", Sjis({0xF0, 0x40})},  // user-defined area
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToCp932(c.utf8), c.sjis) << c.utf8;
    }
    // What code page 932 lacks becomes one blank per character.
    EXPECT_EQ(Utf8ToCp932("a™‾😀b"), "a   b");
    EXPECT_EQ(Utf8ToCp932("x", '?'), "x");
    EXPECT_EQ(Utf8ToCp932("\xC2\xA0|\xEF\xBF\xBD", '?'), "?|?");
}

TEST(Utf8ToCp932, EveryCodePage932CharacterComesBack) {
    // Decode every double-byte code and convert back: the same code, or for a duplicate
    // the code Windows prefers (JIS rows, then NEC row 13, then IBM extensions).
    int checked = 0;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead <= 0xDF) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            const std::string code = Sjis({lead, trail});
            const auto utf8 = ConvertCodePageStrict(code, "CP932", "UTF-8");
            if (!utf8) continue;
            const std::string back = Utf8ToCp932(*utf8, '?');
            ++checked;
            if (back == code) continue;
            ASSERT_EQ(back.size(), 2u) << std::hex << lead << trail;
            const unsigned backLead = static_cast<unsigned char>(back[0]);
            const bool preferred = (lead == 0xED || lead == 0xEE) ||
                                   (lead >= 0xFA && backLead != 0xED && backLead != 0xEE) ||
                                   (lead == 0x87 && backLead == 0x81);
            EXPECT_TRUE(preferred) << std::hex << lead << " " << trail;
        }
    }
    EXPECT_GT(checked, 9000);
}

TEST(Utf8ToCp932, DecomposedAndMalformedText) {
    EXPECT_EQ(Utf8ToCp932("か\xE3\x82\x99ハ\xE3\x82\x9A"), "\x82\xAA\x83\x70");  // が パ (NFD)
    EXPECT_EQ(Utf8ToCp932("e\xCC\x81!"), "e!");                                  // é
    EXPECT_EQ(Utf8ToCp932("x\xCC\x81"), "x ");    // no such letter: the mark alone
    EXPECT_EQ(Utf8ToCp932("\xE3\x82\x99"), " ");  // a lone combining mark
    // One blank per malformed piece; the next valid character is never swallowed.
    EXPECT_EQ(Utf8ToCp932("a\xE3\x81<b"), "a <b");
    EXPECT_EQ(Utf8ToCp932("\x80\xBF"), "  ");
    EXPECT_EQ(Utf8ToCp932("\xED\xA0\x80"), "   ");  // an encoded surrogate
    EXPECT_EQ(Utf8ToCp932("\xC0\xAF"), "  ");       // overlong '/'
    EXPECT_EQ(Utf8ToCp932("\xF0\x9F\x98"), " ");    // cut off at the end
    EXPECT_EQ(Utf8ToCp932(std::string("a\0\xE3\x81\x82", 5)), std::string("a\0\x82\xA0", 4));
    // The byte-order mark names the encoding and is dropped.
    EXPECT_EQ(ConvertToShiftJis("\xEF\xBB\xBF<p>\xE3\x81\x82</p>"), "<p>\x82\xA0</p>");
}

TEST(JisToShiftJis, ArithmeticAndExceptions) {
    EXPECT_EQ(JisToShiftJis(0x21, 0x21), 0x8140u);  // 　
    EXPECT_EQ(JisToShiftJis(0x21, 0x60), 0x8180u);  // odd row, cell 0x60 skips 0x7F
    EXPECT_EQ(JisToShiftJis(0x30, 0x21), 0x889Fu);  // 亜
    EXPECT_EQ(JisToShiftJis(0x5F, 0x21), 0xE040u);  // first row above 0x5E
    EXPECT_EQ(JisToShiftJis(0x2D, 0x21), 0x8740u);  // ① NEC row 13
    EXPECT_EQ(JisToShiftJis(0x79, 0x21), 0xED40u);  // NEC-selected IBM extension
    EXPECT_EQ(JisToShiftJis(0x22, 0x40), 0x879Cu);  // not the arithmetic 81BE
    EXPECT_EQ(JisToShiftJis(0x22, 0x4C), 0xEEF9u);
    EXPECT_EQ(JisToShiftJis(0x22, 0x3F), 0x81BDu);  // neighbour of the exceptions
}

TEST(ConvertToShiftJis, TruncatedInputStaysInBounds) {
    EXPECT_EQ(EucJpToShiftJis("\xA4\xA2\xA4"), "\x82\xA0\xA4");
    EXPECT_EQ(EucJpToShiftJis("\x8E"), "\x8E");
    EXPECT_EQ(EucJpToShiftJis("\x8F\xB0"), "\x8F\xB0");
    EXPECT_EQ(Iso2022JpToShiftJis("\x1B$B0"), "0");
    EXPECT_EQ(Iso2022JpToShiftJis("x\x1B$"), "x\x1B$");
    EXPECT_EQ(Iso2022JpToShiftJis("\x1B$(D\"q\""), "\x87\x82\"");
    EXPECT_EQ(DetectEncoding("\x82"), kEncodingUndetermined);  // an error in every pass

    // Random bytes through every entry point: no crash, nothing read past the end (the
    // sanitizer build checks), and outputs within their size bounds.
    std::mt19937 random(12345);
    for (int round = 0; round < 3000; ++round) {
        std::string text(random() % 48, '\0');
        for (char& c : text) {
            const unsigned r = random();
            c = static_cast<char>(r % 4 == 0 ? "\x1B\x8E\x8F\xE3$(B@\x0E\x0F"[r % 11] : r >> 8);
        }
        EXPECT_LE(EucJpToShiftJis(text).size(), text.size());
        EXPECT_LE(Iso2022JpToShiftJis(text).size(), text.size());
        EXPECT_LE(Utf8ToCp932(text).size(), text.size());
        EXPECT_LE(ConvertToShiftJis(text).size(), text.size());
        EXPECT_LE(NormalizeWidth(text).size(), 2 * text.size());
        const int code = DetectEncoding(text);
        EXPECT_TRUE(code >= kEncodingUndetermined && code <= kEncodingUtf16Be);
    }
}

TEST(NormalizeWidth, FullWidthToHalfAndHalfWidthKanaToFull) {
    EXPECT_EQ(NormalizeWidth("\x82\x60\x82\x81\x82\x4F"), "Aa0");   // Ａａ０
    EXPECT_EQ(NormalizeWidth("\xB6\xDE"), "\x83\x4B");              // ｶﾞ → ガ
    EXPECT_EQ(NormalizeWidth("\xCA\xDF\xB1"), "\x83\x70\x83\x41");  // ﾊﾟｱ → パア
    EXPECT_EQ(NormalizeWidth("\xDE"), "\xDE");                      // lone ﾞ stays
    EXPECT_EQ(NormalizeWidth("\xB1\xDE"), "\x83\x41\xDE");          // ｱ has no voiced form
    // Ideographic space, ＼ and ￥, ＂ and ＇ in both code page rows.
    EXPECT_EQ(NormalizeWidth("\x81\x40\x81\x5F\x81\x8F\xFA\x57\xEE\xFB"), " \\\\\"'");
    // Full-width katakana and punctuation come out as they went in; ゛ ends up half-width.
    const std::string kana = "\x83\x4B\x83\x94\x81\x75\x81\x5B\x81\x42";  // ガヴ「ー。
    EXPECT_EQ(NormalizeWidth(kana), kana);
    EXPECT_EQ(NormalizeWidth("\x83\x4A\x81\x4A"), "\x83\x4B");  // カ゛ → ガ
    EXPECT_EQ(NormalizeWidth("\x81\x4A"), "\xDE");
    // Kanji, hiragana and a Shift_JIS character whose trail byte is 0x5C stay whole.
    EXPECT_EQ(NormalizeWidth("\x95\x5C\x82\xA0\x8A\xBF"), "\x95\x5C\x82\xA0\x8A\xBF");  // 表あ漢
    EXPECT_EQ(NormalizeWidth(""), "");
}

TEST(ConvertToShiftJis, ThreadsConvertAtOnceFromFirstUse) {
    // The first calls build the shared tables; threads that start together must all see
    // them complete (run under ThreadSanitizer too).
    // An EUC-JP page that ends in 纊 (JIS X 0212, one more shared table).
    const std::string euc = ConvertCodePage(kPageUtf8, "UTF-8", "EUC-JP-MS", "?") + "\x8F\xD4\xE3";
    const std::string expectedEuc = ExpectedSjis(kPageUtf8) + "\xFA\x5C";
    const std::string expectedUtf8 = ExpectedSjis(kPageUtf8);
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                if (ConvertToShiftJis(t % 2 ? euc : kPageUtf8) !=
                    (t % 2 ? expectedEuc : expectedUtf8)) {
                    ++failures[t];
                }
                if (NormalizeWidth("\x82\x60\xB6\xDE") != "A\x83\x4B") ++failures[t];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace corvane
