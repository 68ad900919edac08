// Finding and rewriting links, images and style sheets.
#include <gtest/gtest.h>

#include "convert/cvn_tag_replacer.h"
#include "convert/rule_file.h"
#include "support/test_paths.h"
#include "text/reg_manager.h"

namespace corvane {
namespace {

const std::vector<CTagSpec> kBodySpecs = {{LinkKind::Anchor, "a", "href"},
                                          {LinkKind::Image, "img", "src"}};

struct Rewritten {
    std::string text;
    std::vector<CLinkRecord> records;
};

Rewritten Rewrite(const std::string& text, const std::string& pageUrl = "http://h/wiki/?Top",
                  const std::vector<CTagSpec>& specs = kBodySpecs) {
    const CUrlParts url(pageUrl);
    Rewritten out;
    // The page stands for the start page: its script is the wiki's.
    out.text = RewriteTags(text, specs, out.records, url, url.MakeBaseUrl(), {pageUrl, {}});
    return out;
}

TEST(RewriteTags, ATargetLinkedAgainIsRewrittenAndRecordedEachTime) {
    // The second and third use of a value are answered from what the first worked out:
    // the same value under another tag kind is a record of that kind.
    const CUrlParts url("http://h/wiki/?Top");
    std::vector<CLinkRecord> records;
    const std::string text = RewriteTags(
        "<a href=\"./?Foo\">1</a><img src=\"./?Foo\"><a href=\"./?Foo\">2</a>"
        "<a href=\"http://other/x\">o</a><a href=\"http://other/x\">o</a>"
        "<a href=\"./?Ex\">e</a><a href=\"./?Ex\">e</a>",
        kBodySpecs, records, url, url.MakeBaseUrl(), {"http://h/wiki/?Top", {"\\?Ex$"}});
    EXPECT_EQ(text,
              "<a href=\"Foo.html\">1</a><img src=\"Foo.html\"><a href=\"Foo.html\">2</a>"
              "<a href=\"http://other/x\">o</a><a href=\"http://other/x\">o</a>"
              "<a href=\"http://h/wiki/?Ex\">e</a><a href=\"http://h/wiki/?Ex\">e</a>");
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].m_kind, LinkKind::Anchor);
    EXPECT_EQ(records[1].m_kind, LinkKind::Image);
    EXPECT_EQ(records[2].m_kind, LinkKind::Anchor);
    EXPECT_EQ(records[2].m_strLocalName, "Foo.html");
    EXPECT_EQ(records[3].m_bFollow, false);
    EXPECT_EQ(records[4].m_bFollow, false);
    EXPECT_EQ(records[4].m_strUrl, "http://h/wiki/?Ex");
}

TEST(BuildTagPattern, GroupsTagAttributeAndOneValue) {
    const std::string pattern = BuildTagPattern(kBodySpecs);
    CRegManager reg;
    ASSERT_EQ(reg.Search("<img alt='a > b' class=\"x\" SRC = ' p.png ' >", pattern, "i"), 1);
    EXPECT_EQ(reg.GetGroup(1), "img");
    EXPECT_EQ(reg.GetGroup(2), "SRC");
    EXPECT_EQ(reg.GetGroup(4), "p.png");
    ASSERT_EQ(reg.Search("<a href=x.html>", pattern, "i"), 1);
    EXPECT_EQ(reg.GetGroup(5), "x.html");
    // Values with blanks or non-ASCII bytes are not URLs to rewrite.
    EXPECT_EQ(reg.Search("<a href=\"a b.html\">", pattern, "i"), 0);
    EXPECT_EQ(reg.Search("<a href=\"\x83\x41.html\">", pattern, "i"), 0);
}

TEST(RewriteTags, RewritesSameSiteLinksAndImages) {
    const Rewritten r = Rewrite(
        "<p><A CLASS=\"c\" title='t \"q\"' HREF=\"./?Foo\">Foo</A>"
        "<img src=\"./?plugin=ref&amp;page=Top&amp;src=b.png\" alt=\"b\" />"
        "<a src=\"./?Bar\">no</a></p>");
    EXPECT_EQ(r.text,
              "<p><A CLASS=\"c\" title='t \"q\"' HREF=\"Foo.html\">Foo</A>"
              "<img src=\"Top_b.png\" alt=\"b\" />"
              "<a src=\"./?Bar\">no</a></p>");
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(r.records[0].m_kind, LinkKind::Anchor);
    EXPECT_EQ(r.records[0].m_strUrl, "http://h/wiki/?Foo");
    EXPECT_EQ(r.records[0].m_strLocalName, "Foo.html");
    EXPECT_EQ(r.records[0].m_bFollow, true);
    EXPECT_EQ(r.records[1].m_kind, LinkKind::Image);
    // "&amp;" is read as "&" for the fetch and the name.
    EXPECT_EQ(r.records[1].m_strUrl, "http://h/wiki/?plugin=ref&page=Top&src=b.png");
}

TEST(RewriteTags, LeavesOtherSitesSchemesAndEmptyValues) {
    const std::string text =
        "<a href=\"https://other.example/x\">x</a>"
        "<a href=\"mailto:help@h\">m</a>"
        "<a href=\"http://H/wiki/?Foo\">case</a>"
        "<a href=\"http://other/wiki/?Foo\">other</a>"
        "<a href=\"ftp://h/file\">ftp</a>"
        "<a href=\"\">empty</a>";
    const Rewritten r = Rewrite(text);
    EXPECT_EQ(r.text, text);
    EXPECT_TRUE(r.records.empty());
}

TEST(RewriteTags, AnchorsAndFragmentsNameThePageFile) {
    const Rewritten r =
        Rewrite("<a href=\"#top\">up</a><a href=\"./?Foo#note\">n</a><a href=\"./\">home</a>");
    EXPECT_EQ(r.text,
              "<a href=\"Top.html#top\">up</a><a href=\"Foo.html#note\">n</a>"
              "<a href=\"FrontPage.html\">home</a>");
    ASSERT_EQ(r.records.size(), 3u);
    // The fragment stays in the page, never in the name of the saved file.
    EXPECT_EQ(r.records[0].m_strReference, "Top.html#top");
    EXPECT_EQ(r.records[0].m_strLocalName, "Top.html");
    EXPECT_EQ(r.records[1].m_strLocalName, "Foo.html");
    EXPECT_EQ(r.records[2].m_strUrl, "http://h/wiki/");
}

TEST(RewriteTags, ExcludedTargetsStayLinksToTheWeb) {
    // The default exclusion rules: PukiWiki's command and plug-in pages are left out, the
    // attached files and images are not.
    const CLinkRules rules{"", ReadRuleFile((test::SourceDir() / "conf/exclude.txt").string())};
    ASSERT_GE(rules.m_exclusions.size(), 3u);
    const CUrlParts page("http://h/wiki/?Top");
    for (const char* query :
         {"?plugin=attach&amp;pcmd=info&amp;file=a.pdf",
          "?plugin=attach&amp;refer=Top&amp;pcmd=list", "?plugin=attach&amp;pcmd=list",
          "?plugin=attach&amp;pcmd=upload&amp;page=Top", "?plugin=attach&amp;refer=Top",
          "?cmd=edit&amp;page=Top", "?cmd=diff&amp;page=Top", "?cmd=backup&amp;page=Top",
          "?cmd=search", "?cmd=rss&amp;ver=1.0", "?cmd=list", "?plugin=related&amp;page=Top",
          "?PLUGIN=Rename&amp;refer=Top"}) {
        SCOPED_TRACE(query);
        std::vector<CLinkRecord> records;
        const std::string text = std::string("<a href=\"./") + query + "#x\">i</a>";
        EXPECT_EQ(RewriteTags(text, kBodySpecs, records, page, "http://h/wiki/", rules),
                  std::string("<a href=\"http://h/wiki/") + query + "#x\">i</a>");
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].m_bFollow, false);
    }
    for (const char* query : {"?plugin=attach&amp;refer=Top&amp;openfile=a.pdf",
                              "?plugin=attach&amp;pcmd=open&amp;file=a.pdf&amp;refer=Top",
                              "?plugin=ref&amp;page=Top&amp;src=b.png", "?cmd=read&amp;page=Foo",
                              "?Foo", "?plugin_attach_pcmd=info", "?%E8%A1%A8%E7%A4%BA"}) {
        SCOPED_TRACE(query);
        std::vector<CLinkRecord> records;
        RewriteTags(std::string("<img src=\"./") + query + "\">", kBodySpecs, records, page,
                    "http://h/wiki/", rules);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].m_bFollow, true);
    }
    // The page about one attached file is left out, but a link to it leads to the file.
    std::vector<CLinkRecord> records;
    EXPECT_EQ(
        RewriteTags("<a href=\"./?plugin=attach&amp;pcmd=info&amp;file=a.pdf&amp;refer=Top#x\">"
                    "<img src=\"./?plugin=attach&amp;pcmd=info&amp;file=a.pdf&amp;refer=Top\">",
                    kBodySpecs, records, page, "http://h/wiki/", rules),
        "<a href=\"Top_a.pdf\">"
        "<img src=\"http://h/wiki/?plugin=attach&amp;pcmd=info&amp;file=a.pdf&amp;refer=Top\">");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].m_strUrl, "http://h/wiki/?plugin=attach&pcmd=open&file=a.pdf&refer=Top");
    EXPECT_EQ(records[0].m_strLocalName, "Top_a.pdf");
    EXPECT_EQ(records[0].m_bFollow, true);
    EXPECT_EQ(records[1].m_bFollow, false);
}

TEST(RewriteTags, HttpsWikiKeepsItsOwnScheme) {
    const Rewritten r = Rewrite(
        "<a href=\"./?Foo\">a</a><a href=\"http://h/wiki/?Bar\">b</a>"
        "<a href=\"https://other/?X\">c</a>",
        "https://h/wiki/?Top");
    EXPECT_EQ(r.text,
              "<a href=\"Foo.html\">a</a><a href=\"Bar.html\">b</a>"
              "<a href=\"https://other/?X\">c</a>");
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(r.records[0].m_strUrl, "https://h/wiki/?Foo");
}

TEST(RewriteTags, HeadStyleSheetsAndPairing) {
    const Rewritten head = Rewrite(
        "<link rel=\"stylesheet\" href=\"skin/pukiwiki.css\" />"
        "<link rel=\"alternate\" href=\"./?cmd=rss\" /><a href=\"./?X\">",
        "http://h/wiki/index.php?Top", {{LinkKind::StyleSheet, "link", "href"}});
    ASSERT_EQ(head.records.size(), 2u);
    EXPECT_EQ(head.records[0].m_kind, LinkKind::StyleSheet);
    EXPECT_EQ(head.records[0].m_strUrl, "http://h/wiki/skin/pukiwiki.css");
    EXPECT_EQ(head.records[0].m_strReference, "pukiwiki.css");
    // A tag that merely begins with "a" is taken for "a" by the pattern.
    const Rewritten abbr = Rewrite("<abbr href=\"./?Foo\">");
    EXPECT_EQ(abbr.text, "<abbr href=\"Foo.html\">");
}

}  // namespace
}  // namespace corvane
