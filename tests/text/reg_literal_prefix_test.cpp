#include "text/reg_literal_prefix.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/reg_search_check.h"

namespace corvane {
namespace {

using test::ExpectSameAsPlainSearch;

using Literals = std::vector<std::string>;

Literals LiteralsOf(std::string_view pattern) {
    return CRegLiteralPrefix(pattern, RegEncoding::ShiftJis).Literals();
}

TEST(RegLiteralPrefix, TakesTheLiteralEveryMatchStartsWith) {
    EXPECT_EQ(LiteralsOf("<div id=\"body\">(.*?)(?=\\s*<hr)"), Literals{"<div id=\"body\">"});
    EXPECT_EQ(LiteralsOf("<A Class=\"x\"[^>]*>"), Literals{"<a class=\"x\""});
    EXPECT_EQ(LiteralsOf("<(a|IMG)[^>]*>"), (Literals{"<a", "<img"}));
    EXPECT_EQ(LiteralsOf("<(?:a|img)\\b"), (Literals{"<a", "<img"}));
    // A quantifier takes the last character away; a group that is not plain ends it.
    EXPECT_EQ(LiteralsOf("abc*d"), Literals{"ab"});
    EXPECT_EQ(LiteralsOf("abc{2}"), Literals{"ab"});
    EXPECT_EQ(LiteralsOf("<a(b|c)?d"), Literals{"<a"});
    EXPECT_EQ(LiteralsOf("<ab(c|d)+"), Literals{"<ab"});
    EXPECT_EQ(LiteralsOf("<ab(c|.)"), Literals{"<ab"});
    EXPECT_EQ(LiteralsOf("<ab(c|)"), Literals{"<ab"});
    EXPECT_EQ(LiteralsOf("ab[|(]c"), Literals{"ab"});
    EXPECT_EQ(LiteralsOf("ab(x|y(z|w))|"), Literals{});
    // A first group lends its literal unless it is optional or has alternatives.
    EXPECT_EQ(LiteralsOf("(<a href=\"x[^>]+)(title)"), Literals{"<a href=\"x"});
    EXPECT_EQ(LiteralsOf("(?:<ab)c"), Literals{"<ab"});
    EXPECT_EQ(LiteralsOf("(<ab)?c"), Literals{});
    EXPECT_EQ(LiteralsOf("(<ab|<cd)e"), Literals{});
    EXPECT_EQ(LiteralsOf("(<a(b|c)d)e"), Literals{"<a"});
    EXPECT_EQ(LiteralsOf("(?:)<ab"), Literals{});
}

TEST(RegLiteralPrefix, NoPrefixWhereAMatchMayStartOtherwise) {
    for (const char* pattern : {"ab|cd", "ab(?:c)|d", "\\s+(?=<a)", "(?i)ab", "a", ".*?</head>",
                                "ab\\Gc", "(?x)ab # c", "ab(?x) c|d", "ab(?#|)c",
                                "\x83\x41"
                                "bc"}) {
        EXPECT_EQ(LiteralsOf(pattern), Literals{}) << pattern;
    }
}

TEST(RegLiteralPrefix, FindsTheLiteralWithoutRegardToCase) {
    const CRegLiteralPrefix prefix("<a href", RegEncoding::ShiftJis);
    const std::string text = "x<a hre <A HREF=";
    const char* const end = text.data() + text.size();
    EXPECT_EQ(prefix.Find(text.data(), end) - text.data(), 8);
    EXPECT_EQ(prefix.Find(text.data() + 9, end), end);
    // The literal that would only fit past the end is not found.
    const std::string cut = "zz<a hre";
    EXPECT_EQ(prefix.Find(cut.data(), cut.data() + cut.size()), cut.data() + cut.size());
}

TEST(RegLiteralPrefix, SearchesGiveWhatThePlainSearchGives) {
    const std::string kA = "\x83\x41";  // ア: its second byte is 'A'
    const std::vector<std::string> subjects = {
        "<a class=\"x\">1</a> <A CLASS=\"X\">2</a><a  class=\"x\">",
        // The literal inside a double-byte character is no match start.
        "\x83"
        "Ab ab " +
            kA + "b",
        // A lead byte before "<" swallows it; the next "<" starts a character.
        "\x82<a class=\"x\">\x82\x9f<a class=\"x\">",
        // Full-width letters are not their ASCII counterparts.
        "\x82\x60\x82\x82 ab AB",
        "<IMG SRC=\"i.png\"><abbr><a href=\"p\"><img\nsrc='q'>",
        "<img",
        "",
        "ab",
        // After a match, the next search starts between bytes that could pair.
        "ab\x82"
        "ab\x82\x82"
        "ab<a\x82\x41"
        "b",
    };
    const std::vector<std::string> patterns = {
        "<a class=\"x\">",
        "ab",
        "<a \\Kclass",
        "<(a|img)\\s+(href|src)=.([^\"']*)",
        "<a class=\"x\"[^>]*>",
        "ab(?=\\s)",
        "a(b)?",
        "<img",
        "ab|" + kA + "b",
        "(<a class=\"x\")([^>]*)>",
        "(?:<img\\s)",
    };
    for (const std::string& subject : subjects) {
        for (const std::string& pattern : patterns) {
            ExpectSameAsPlainSearch(subject, pattern, "ig");
            ExpectSameAsPlainSearch(subject, pattern, "i");
        }
    }
    // The other encodings step over their own characters.
    const std::string utf8 = "\xe3\x81\x82<a class=\"x\">\xe3\x81\x82<A CLASS=\"x\">";
    ExpectSameAsPlainSearch(utf8, "<a class=\"x\">", "igu");
    const std::string euc = "\xa4\xa2<a class=\"x\">\x8e\xb1<A CLASS=\"x\">";
    ExpectSameAsPlainSearch(euc, "<a class=\"x\">", "ige");
}

}  // namespace
}  // namespace corvane
