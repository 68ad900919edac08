// Reading the contents tree from a start page as PukiWiki writes its lists.
#include "help/toc_extractor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane {
namespace {

// One line per node: depth in blanks, then name|local.
std::string Dump(CHelpNode* node, int depth = 0) {
    std::string text = std::string(depth, ' ') + node->GetName() + "|" + node->GetLocal() + "\n";
    for (CHelpNode* child : *node->GetChildren()) text += Dump(child, depth + 1);
    return text;
}

// A start page as the page filter leaves it: a heading, then a two-level list written the
// way PukiWiki 1.5 writes it (no blank between ul and li, nested lists on a new line inside
// their item and closed with </ul></li>), lines joined with CR LF.
const std::string kPage =
    "<html><body>\r\n<h2 id=\"content_1_0\">\x96\xda\x8e\x9f</h2>\r\n"  // 目次
    "<ul class=\"list1 list-indent1\"><li><a href=\"Intro.html\" title=\"Intro\">"
    "\x82\xcd\x82\xb6\x82\xdf\x82\xc9</a></li>\r\n"  // はじめに
    "<li><a href=\"Help2FSetup.html\" class=\"link_page_passage\">Setup</a>\r\n"
    "<ul class=\"list2 list-indent2\"><li><a href=\"Help2FFolder.html\">Folder</a></li>\r\n"
    "<li><a href=\"Help2FAuth.html\">Auth\r\n</a></li></ul></li>\r\n"
    "<li><a href=\"Options.html\">Options</a></li></ul>\r\n"
    "<p>More text</p>\r\n<ul class=\"list1\"><li><a href=\"Late.html\">Late</a></li></ul>\r\n";

TEST(TocExtractorTest, TwoLevelListAfterTheHeadingBecomesTheTree) {
    auto root = ExtractToc(kPage, "<h2[^>]*>\x96\xda\x8e\x9f</h2>");
    EXPECT_EQ(Dump(root.get()),
              "root|rootpath\n"
              " \x82\xcd\x82\xb6\x82\xdf\x82\xc9|Intro.html\n"
              " Setup|Help2FSetup.html\n"
              "  Folder|Help2FFolder.html\n"
              "  Auth|Help2FAuth.html\n"
              " Options|Options.html\n");
    // The start pattern is matched without regard to letter case.
    EXPECT_EQ(
        ExtractToc(kPage, "<H2 ID=\"CONTENT_1_0\">\x96\xda\x8e\x9f</H2>")->GetChildren()->size(),
        3u);
}

TEST(TocExtractorTest, WalkStopsAtTheFirstThingThatIsNotAListOfLinks) {
    // Upper-case item tags and attribute names are read; an upper-case closing list tag
    // ends the walk; markup in a caption stays.
    auto root = ExtractToc(
        "TOC <UL CLASS=\"LIST1\">\r\n<LI><A HREF=\"A.html\"><b>A</b></A></li>"
        "<li><a href=\"B.html\">B</a></UL><li><a href=\"C.html\">C</a>",
        "toc");
    EXPECT_EQ(Dump(root.get()), "root|rootpath\n <b>A</b>|A.html\n B|B.html\n");

    // No match of the pattern: the walk starts at the top, which here is no list.
    EXPECT_EQ(Dump(ExtractToc(kPage, "nowhere").get()), "root|rootpath\n");
    // A pattern that does not compile is no match either; a page that starts with a list
    // is then read from its first character.
    EXPECT_EQ(
        Dump(ExtractToc("<ul class=\"list1\"><li><a href=\"A.html\">A</a></li></ul>", "(").get()),
        "root|rootpath\n A|A.html\n");
}

TEST(TocExtractorTest, TextAfterAnItemsLinkIsPassedOver) {
    // PukiWiki's own FrontPage: "[[Page]] -- description"; a date in a span; a line break
    // and a nested list after the text; a "<link"-like tag name is no list tag.
    CTocWalk walk;
    auto root = ExtractToc(
        "TOC<ul class=\"list1\"><li><a href=\"A.html\">A</a> -- \x95\xd2\x8f\x57</li>\r\n"
        "<li><a href=\"B.html\">B</a> <span class=\"date\">2026-12-01</span>\r\n"
        "<ul class=\"list2\"><li><a href=\"C.html\">C</a> <linkish> x</li></ul></li>\r\n"
        "<li><a href=\"D.html\">D</a></li></ul><p>after</p>",
        "TOC", &walk);
    EXPECT_EQ(Dump(root.get()), "root|rootpath\n A|A.html\n B|B.html\n  C|C.html\n D|D.html\n");
    EXPECT_EQ(walk.m_nStop, CTocWalk::kListClosed);
    EXPECT_EQ(walk.m_strLastEntry, "D");
}

TEST(TocExtractorTest, AWalkThatStopsInsideTheListSaysAfterWhichEntryAndWhy) {
    struct Case {
        std::string strList;
        CTocWalk::Stop nStop;
        std::string strLast;
        std::string strAt;
    };
    for (const Case& k : std::vector<Case>{
             // An item that does not begin with a link.
             {"<li><a href=\"A.html\">A</a></li>\r\n<li>plain \x96\xda\x8e\x9f</li></ul>",
              CTocWalk::kItemWithoutLink, "A", "<li>plain \x96\xda\x8e\x9f</li></ul>"},
             // Something else between the items, its line break made a blank.
             {"<li><a href=\"A.html\">A</a></li>\r\n<div>x\r\ny</div></ul>", CTocWalk::kUnexpected,
              "A", "<div>x y</div></ul>"},
             // The page ends inside the list.
             {"<li><a href=\"A.html\">A</a></li>\r\n<li><a href=\"B.html\">B</a>\r\n",
              CTocWalk::kPageEnded, "B", ""},
             // No entry read at all.
             {"<li>x</li></ul>", CTocWalk::kItemWithoutLink, "", "<li>x</li></ul>"}}) {
        SCOPED_TRACE(k.strList);
        CTocWalk walk;
        ExtractToc("TOC<ul class=\"list1\">" + k.strList, "TOC", &walk);
        EXPECT_EQ(walk.m_nStop, k.nStop);
        EXPECT_EQ(walk.m_strLastEntry, k.strLast);
        EXPECT_EQ(walk.m_strAt, k.strAt);
    }
    CTocWalk walk;
    ExtractToc("TOC <p>no list</p>", "TOC", &walk);
    EXPECT_EQ(walk.m_nStop, CTocWalk::kNoList);
    // An excerpt is cut after a whole double-byte character.
    std::string many;
    for (int i = 0; i < 40; ++i) many += "\x96\xda";
    ExtractToc("TOC<ul class=\"list1\">" + many, "TOC", &walk);
    EXPECT_EQ(walk.m_strAt, many.substr(0, 60));
}

TEST(TocExtractorTest, PatternIsLookedForAfterTheHeadingOfTheHelpPage) {
    // The help title holds the pattern's text; the wiki's own heading follows.
    const std::string page =
        "<html>\r\n<head>\r\n<title>\x96\xda\x8e\x9f</title>\r\n</head>\r\n<body>\r\n"
        "<h2>\x96\xda\x8e\x9f</h2>\r\n<p>intro</p>\r\n"
        "<h2 id=\"c\">\x96\xda\x8e\x9f</h2>\r\n"
        "<ul class=\"list1\"><li><a href=\"A.html\">A</a></li></ul>\r\n";
    EXPECT_EQ(Dump(ExtractToc(page, "\x96\xda\x8e\x9f</h2>").get()), "root|rootpath\n A|A.html\n");
    EXPECT_EQ(WikiPartOfPage(page).substr(0, 14), "\r\n<p>intro</p>");
    // Line ends written as LF alone are read the same way.
    EXPECT_EQ(WikiPartOfPage("<body>\n<h2>T</h2>\n<p>x</p>"), "\n<p>x</p>");
    EXPECT_EQ(WikiPartOfPage("<body> <h2>T</h2>"), "<body> <h2>T</h2>");
    // A page without the program's heading is searched whole.
    EXPECT_EQ(WikiPartOfPage("<body><h2>x</h2>"), "<body><h2>x</h2>");
}

TEST(TocExtractorTest, ClosingMoreListsThanOpenedKeepsWhatWasRead) {
    auto root = ExtractToc(
        "X<ul class=\"list1\"><li><a href=\"A.html\">A</a></li></ul></ul></ul>"
        "<li><a href=\"B.html\">B</a></li>",
        "X");
    EXPECT_EQ(Dump(root.get()), "root|rootpath\n A|A.html\n");
    // A second list right after the first one continues at the top level.
    root = ExtractToc(
        "X<ul class=\"list1\"><li><a href=\"A.html\">A</a></li></ul>\r\n"
        "<ul class=\"list1\"><li><a href=\"B.html\">B</a></li></ul>",
        "X");
    EXPECT_EQ(Dump(root.get()), "root|rootpath\n A|A.html\n B|B.html\n");
}

}  // namespace
}  // namespace corvane
