// The words a help page gives the full-text index: Japanese one character a word, ASCII words
// in lower case, and what the viewer would show as text (no tags, entities decoded).
#include "help/search_tokenizer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/text_codec.h"

namespace corvane {
namespace {

std::string S(const char* utf8) { return Utf8ToSjis(utf8); }

std::vector<std::string> Words(const std::vector<CSearchToken>& tokens) {
    std::vector<std::string> words;
    for (const CSearchToken& token : tokens) words.push_back(token.strWord);
    return words;
}

std::vector<std::string> TextWords(const std::string& text) {
    std::vector<CSearchToken> tokens;
    TokenizeText(text, 0, false, tokens);
    return Words(tokens);
}

TEST(SearchTokenizerTest, DoubleByteCharactersStandAloneAndEndAsciiWords) {
    // "。Corvane" once came out as one word with the trail byte of "。" glued to it.
    EXPECT_EQ(TextWords(S("日本語。Corvane版2は")),
              (std::vector<std::string>{S("日"), S("本"), S("語"), S("。"), "corvane", S("版"), "2",
                                        S("は")}));
    // Punctuation and full-width letters are words too, not folded; the ideographic space
    // and ASCII punctuation separate.
    EXPECT_EQ(TextWords(S("Ａ　ｂ「x-y」")),
              (std::vector<std::string>{S("Ａ"), S("ｂ"), S("「"), "x", "y", S("」")}));
    // A lead byte at the very end is no character.
    EXPECT_EQ(TextWords("ab\x88"), (std::vector<std::string>{"ab"}));
}

TEST(SearchTokenizerTest, TrailBytesThatLookLikeAsciiLettersAreKept) {
    // ア (83 41) and ヂ (83 61): the trail bytes are 'A' and 'a'; neither is folded, and
    // neither starts or joins an ASCII word.
    const std::string a = "\x83\x41", di = "\x83\x61";
    EXPECT_EQ(S("ア"), a);
    EXPECT_EQ(TextWords("x" + a + "Bc" + di + "d"),
              (std::vector<std::string>{"x", a, "bc", di, "d"}));
    // ソ (83 5C): the trail byte is a backslash, still part of the character.
    EXPECT_EQ(TextWords(S("ソa")), (std::vector<std::string>{S("ソ"), "a"}));
}

TEST(SearchTokenizerTest, HalfWidthKatakanaAreWordsOfOneByte) {
    EXPECT_EQ(TextWords(S("ｶﾀｶﾅabc")),
              (std::vector<std::string>{S("ｶ"), S("ﾀ"), S("ｶ"), S("ﾅ"), "abc"}));
    EXPECT_EQ(S("ｶ").size(), 1u);
}

TEST(SearchTokenizerTest, EdgesOfWordsKatakanaAndReferences) {
    auto body = [](const std::string& inner) {
        return Words(TokenizeHelpPage("<html><body>" + inner + "</body></html>").tokens);
    };
    // The last and the first half-width katakana (ﾟ DF, ｡ A1) are words of their own.
    EXPECT_EQ(TextWords("a\xDF\xA1"
                        "b"),
              (std::vector<std::string>{"a", "\xDF", "\xA1", "b"}));
    // A long ASCII run keeps its first 99 characters.
    EXPECT_EQ(TextWords(std::string(150, 'Q')), (std::vector<std::string>{std::string(99, 'q')}));
    // References of up to ten characters are read; a longer one is text.
    EXPECT_EQ(body("x&#000000065;y &#0000000065;"),
              (std::vector<std::string>{"xay", "0000000065"}));
    // PukiWiki's inline markup keeps a word whole.
    EXPECT_EQ(body("a<span class=\"x\">b</span>c<strong>d</strong>e<em>f</em>g<code>h</code>i"
                   "<del>j</del>k<font size=\"2\">l</font>m"),
              (std::vector<std::string>{"abcdefghijklm"}));
}

TEST(SearchTokenizerTest, TitleWordsComeFirstAndBodyPositionsRunOn) {
    const std::string html =
        S("<html><head><title>検索 Test</title><style>p{color:red}</style></head>"
          "<body><h1>東京</h1><p>Word word</p></body></html>");
    CSearchDocument doc = TokenizeHelpPage(html);
    EXPECT_EQ(doc.strTitle, S("検索 Test"));
    ASSERT_EQ(doc.tokens.size(), 7u);
    const char* expected[] = {"検", "索", "test", "東", "京", "word", "word"};
    for (size_t i = 0; i < doc.tokens.size(); ++i) {
        EXPECT_EQ(doc.tokens[i].strWord, S(expected[i])) << i;
        EXPECT_EQ(doc.tokens[i].nPosition, i);
        EXPECT_EQ(doc.tokens[i].bTitle, i < 3) << i;
    }
}

TEST(SearchTokenizerTest, MarkupIsReadAsTheViewerShowsIt) {
    auto body = [](const std::string& inner) {
        return Words(TokenizeHelpPage("<html><body>" + inner + "</body></html>").tokens);
    };
    // Entities: named ones separate or stand for ASCII, numeric ones become Shift_JIS.
    EXPECT_EQ(body("a&amp;b &#26085;&#x672C; &#x41;BC &nbsp;x &bogus y"),
              (std::vector<std::string>{"a", "b", S("日"), S("本"), "abc", "x", "bogus", "y"}));
    // Named references of every kind are the characters they stand for: symbols that
    // Shift_JIS holds are words of their own, letters join their word; the name's letter
    // case counts ("&AMP;" is none); letters Shift_JIS lacks (é, ℵ) separate.
    EXPECT_EQ(body("&uarr;&dagger;x &Alpha;&beta; caf&eacute; &AMP; &alefsym;&zwnj;&zwj;z"),
              (std::vector<std::string>{S("↑"), S("†"), "x", S("Α"), S("β"), "caf", "z"}));
    EXPECT_EQ(TokenizeHelpPage("<title>&sect;1 &times; 2</title>").strTitle, S("§1 × 2"));
    // A character Shift_JIS lacks separates.
    EXPECT_EQ(body("a&#x1F600;b"), (std::vector<std::string>{"a", "b"}));
    // Inline tags keep a word whole, block tags break it; scripts, comments and
    // attributes are no text.
    EXPECT_EQ(body("Cor<b>va</b>ne<br>next<p>para<!-- hidden -->"
                   "<script>var hidden = \"</p>\";</script><a href=\"x>y\" title=\"no\">link</a>"),
              (std::vector<std::string>{"corvane", "next", "para", "link"}));
    // Text before <body> in the head is not indexed; the title is.
    CSearchDocument doc = TokenizeHelpPage(
        "<head><title>T &amp; U</title><meta content=\"x\">stray</head><body>b</body>");
    EXPECT_EQ(doc.strTitle, "T & U");
    EXPECT_EQ(Words(doc.tokens), (std::vector<std::string>{"t", "u", "b"}));
}

}  // namespace
}  // namespace corvane
