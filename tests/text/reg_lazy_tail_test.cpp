#include "text/reg_lazy_tail.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/reg_search_check.h"

namespace corvane {
namespace {

using test::ExpectSameAsPlainSearch;

TEST(RegLazyTail, SplitsOnlyTheExactShape) {
    const auto split = SplitLazyTail("<b>(.*?)(?=\\s*(?:<i>|<u>\\s*x))", 3);
    ASSERT_TRUE(split);
    EXPECT_EQ(split->m_nHeadLength, 3u);
    EXPECT_TRUE(split->m_bLeadingBlanks);
    EXPECT_EQ(split->m_strTail, "(?:<i>|<u>\\s*x)");
    const auto bare = SplitLazyTail("<b>(.*?)(?=</b>)", 3);
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->m_bLeadingBlanks);
    EXPECT_EQ(bare->m_strTail, "</b>");

    for (const char* pattern : {
             "<b>(.*?)(?=</b>)x",       // more after the look-ahead
             "<b>(.*?)(?=</b>)|y",      // an alternative to the whole
             "<b>(.*)(?=</b>)",         // greedy
             "<b>(.*?)(?=(</b>))",      // a group that captures
             "<b>(.*?)(?=\\1)",         // a back reference
             "<b>(.*?)(?=(?<=a)</b>)",  // a look-behind
             "<b>(.*?)(?=\\G</b>)",     // depends on the search start
             "<b>(.*?)(?=\\s*a|b)",     // the blanks lead one alternative only
             "<b>(.*?)(?=\\s*)",        // nothing after the blanks
             "<b>(.*?)(?=\\s*+a)",      // a quantifier on the blanks
             "<b>(.*?)(?=a)(?=b)",      // two look-aheads
         }) {
        EXPECT_FALSE(SplitLazyTail(pattern, 3)) << pattern;
    }
}

TEST(RegLazyTail, WellFormedShiftJis) {
    const std::string good = "abc\x82\xa0\x83\x41<\x95\x5c";
    EXPECT_TRUE(IsWellFormedSjis(good.data(), good.data() + good.size()));
    const std::string lonely = "abc\x82";
    EXPECT_FALSE(IsWellFormedSjis(lonely.data(), lonely.data() + lonely.size()));
    const std::string broken = "0123456789\x82<abc";
    EXPECT_FALSE(IsWellFormedSjis(broken.data(), broken.data() + broken.size()));
}

TEST(RegLazyTail, SearchesGiveWhatThePlainSearchGives) {
    const std::string body =
        "<div id=\"body\">(.*?)(?=\\s*(?:<div id=\"attach\">|<hr class=\"full_hr\" />"
        "\\s*(?:<!-- Toolbar -->|<div id=\"(?:toolbar|footer)\">)))";
    const std::vector<std::string> subjects = {
        // The usual page, the marker and the end in capitals, blanks of every kind before it.
        "<hr class=\"full_hr\" />\n<div id=\"body\"><p>x</p>\n \t\r\v\f<hr class=\"full_hr\" "
        "/>\n\n<!-- Toolbar -->",
        "<DIV ID=\"BODY\">text\n<DIV ID=\"ATTACH\">",
        // No end: no match at all. The end before the marker only: no match either.
        "<div id=\"body\">text without an end",
        "<div id=\"attach\"><div id=\"body\">text",
        // The end is the very last thing; the group is empty; a second marker.
        "<div id=\"body\"><div id=\"attach\">",
        "<div id=\"body\">\n<div id=\"body\">a\n<div id=\"attach\">",
        // A byte that is no blank before the end; Japanese text; broken double-byte text.
        "<div id=\"body\">\xa0<div id=\"attach\">",
        "<div id=\"body\">\x95\x5c\x83\x41 \n<div id=\"attach\">",
        "<div id=\"body\">\x82 \n<div id=\"attach\">",
        "<div id=\"body\">ab\x82<div id=\"attach\">x<div id=\"attach\">",
        "\x82<div id=\"body\">a<div id=\"attach\">",
        "<hr class=\"full_hr\" />\n  <hr class=\"full_hr\" />\n<div id=\"footer\">",
    };
    for (const std::string& subject : subjects) {
        ExpectSameAsPlainSearch(subject, body, "i");
        ExpectSameAsPlainSearch(subject, body, "ig");
        ExpectSameAsPlainSearch(subject, "<div id=\"body\">(.*?)(?=<div id=\"attach\">)", "ig");
        ExpectSameAsPlainSearch(subject, "<hr(.*?)(?=\\s*<(?:hr|div))", "ig");
    }
}

}  // namespace
}  // namespace corvane
