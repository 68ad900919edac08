// The page filter: rule files, content classification, head and body of help pages.
#include <gtest/gtest.h>

#include <memory>

#include "convert/content_kind.h"
#include "convert/cvn_filter.h"
#include "convert/rule_file.h"
#include "platform/text_codec.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

using test::ScratchDir;
using test::WriteFileBytes;

const char* const kHtmlHeader = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\n";

// A filter over rule files written for the test.
struct FilterFixture {
    ScratchDir dir;
    std::unique_ptr<CCVNFilter> filter;

    FilterFixture(const std::string& body, const std::string& replace,
                  const std::string& search = "", const std::string& replaceFormat = "",
                  const std::string& title = "Manual", const std::string& footer = "(c) me\n") {
        WriteFileBytes(dir / "body.txt", body);
        WriteFileBytes(dir / "replace.txt", replace);
        filter = std::make_unique<CCVNFilter>(search, replaceFormat, title, footer,
                                              (dir / "body.txt").string(),
                                              (dir / "replace.txt").string());
    }

    int Convert(const std::string& url, const std::string& page, std::string& out,
                std::vector<CLinkRecord>& links, int depth = 1,
                const std::string& header = kHtmlHeader) {
        if (filter->BeginPage(CUrlParts(url), "", 0, depth) != 1) {
            return -1;
        }
        return filter->ConvertPage(LinkKind::Anchor, header, page, out, links);
    }
};

std::string Page(const std::string& title, const std::string& head, const std::string& body) {
    return "<html><head><title>" + title + "</title>\n" + head + "</head>\n<body>" + body +
           "</body></html>";
}

const std::string kCss = "<link rel=\"stylesheet\" href=\"skin/pukiwiki.css\" />";
const std::string kBodyRule = "<div id=\"main\">(.*?)</div><!--end-->";

std::string Main(const std::string& content) {
    return "<div id=\"nav\">nav</div><div id=\"main\">" + content + "</div><!--end-->";
}

TEST(RuleFile, TrimsAndDropsCommentsAndEmptyLines) {
    EXPECT_EQ(ParseRuleLines("# comment\n\n \t\r\n  first \t\r\n#\n x#y \nlast"),
              (std::vector<std::string>{"first", "x#y", "last"}));
    EXPECT_TRUE(ReadRuleFile("/nonexistent/folder/body.txt").empty());
}

TEST(ClassifyContent, ByPathHeaderAndContent) {
    EXPECT_EQ(ClassifyContent("/wiki/", "", "", LinkKind::Anchor), ContentKind::Html);
    EXPECT_EQ(ClassifyContent("/a/x.HTM", "", "", LinkKind::Anchor), ContentKind::Html);
    EXPECT_EQ(ClassifyContent("/a/x.css", kHtmlHeader, "<html>", LinkKind::Anchor),
              ContentKind::StyleSheet);
    EXPECT_EQ(ClassifyContent("/a/x.png", kHtmlHeader, "<html>", LinkKind::Anchor),
              ContentKind::Other);
    EXPECT_EQ(ClassifyContent("/index.php", "content-type:  TEXT/HTML\r\n", "", LinkKind::Anchor),
              ContentKind::Html);
    EXPECT_EQ(ClassifyContent("/index.php", "Content-Type: application/pdf\r\n", "%PDF-1.4",
                              LinkKind::Anchor),
              ContentKind::Other);
    EXPECT_EQ(ClassifyContent("/index.php", "", " \r\n<html>", LinkKind::Anchor),
              ContentKind::Html);
    EXPECT_EQ(ClassifyContent("/index.php", "", "<p", LinkKind::Anchor), ContentKind::Other);
    EXPECT_EQ(ClassifyContent("/index.php", "", "plain", LinkKind::KnownHtml), ContentKind::Html);
    EXPECT_EQ(PathExtension("/a.b/c"), "");
    EXPECT_EQ(PathExtension("/a/c.tar.gz"), ".gz");
}

TEST(CCVNFilter, BeginPageNamesThePage) {
    FilterFixture f(kBodyRule, "");
    EXPECT_EQ(f.filter->BeginPage(CUrlParts("http://h/wiki/?Help/Syntax"), "", 0, 2), 1);
    EXPECT_EQ(f.filter->GetLocalName(), "Help2FSyntax.html");
    EXPECT_EQ(f.filter->GetBaseUrl(), "http://h/wiki/");
    EXPECT_EQ(f.filter->BeginPage(CUrlParts("http://h/wiki/?X"), "preset.html", 0, 2), 1);
    EXPECT_EQ(f.filter->GetLocalName(), "preset.html");
    EXPECT_EQ(f.filter->BeginPage(CUrlParts("no url"), "", 0, 0), 0);
}

TEST(CCVNFilter, BuildsTheHelpPage) {
    FilterFixture f("# body rule\n\n" + kBodyRule + "\nignored(.*)\n",
                    "<span class=\"x\">[^<]*</span>\n#\nbroken(\n");
    std::string out;
    std::vector<CLinkRecord> links;
    const std::string page =
        Page("Foo - PukiWiki ", kCss + "<link rel=\"alternate\" href=\"./?cmd=rss\" />",
             Main("<p>Text<span class=\"x\">junk</span> <a href=\"./?Bar\" title=\"Bar\">Bar</a>"
                  "<img src=\"image/a.png\"><a href=\"skin/x.txt\">t</a>"
                  "<a href=\"https://ext/\">e</a></p>"));
    ASSERT_EQ(f.Convert("http://h/wiki/?Foo", page, out, links), 1);
    EXPECT_EQ(out,
              "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" "
              "\"http://www.w3.org/TR/html4/strict.dtd\">\n"
              "<html lang=\"ja\">\n<head>\n"
              "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift-JIS\">\n"
              "<meta http-equiv=\"Content-Style-Type\" content=\"text/css\">\n"
              "<link rel=\"stylesheet\" type=\"text/css\" href=\"pukiwiki.css\">\n"
              "<title>Foo</title>\n</head>\n"
              "<body>\n<h2>Foo</h2>\n"
              "<p>Text <a href=\"Bar.html\" >Bar</a><img src=\"a.png\">"
              "<a href=\"x.txt\">t</a><a href=\"https://ext/\">e</a></p>"
              "<hr class=\"full_hr\" />\n<address>\n(c) me\n</address>\n</body>\n</html>\n");
    // The style sheet first, then links to pages and images; a plain file is rewritten but
    // not fetched.
    ASSERT_EQ(links.size(), 3u);
    EXPECT_EQ(links[0].m_kind, LinkKind::StyleSheet);
    EXPECT_EQ(links[0].m_strUrl, "http://h/wiki/skin/pukiwiki.css");
    EXPECT_EQ(links[1].m_strLocalName, "Bar.html");
    EXPECT_EQ(links[2].m_strLocalName, "a.png");
}

TEST(CCVNFilter, TitlesAndHeadings) {
    FilterFixture f(kBodyRule, "", "^(.*)$", "[$1]", "Project title", "");
    std::string out;
    std::vector<CLinkRecord> links;
    auto title = [&](const std::string& t) {
        out.clear();
        EXPECT_EQ(f.Convert("http://h/?Top", Page(t, kCss, Main("x")), out, links), 1);
        const std::size_t b = out.find("<title>") + 7;
        return out.substr(b, out.find("</title>") - b);
    };
    EXPECT_EQ(title("Foo - PukiWiki"), "Foo");
    EXPECT_EQ(title("Foo - pukiwiki"), "Foo - pukiwiki");
    EXPECT_EQ(title(" Foo - PukiWiki \t"), "Foo");
    EXPECT_EQ(title("Foo\r\n bar"), "Foo bar");
    // Start page: the project's title; other pages: their name after WikiName conversion.
    ASSERT_EQ(f.Convert("http://h/?Top/Sub", Page("t", kCss, Main("x")), out, links, 0), 1);
    EXPECT_NE(out.find("<h2>Project title</h2>\nx<hr class=\"full_hr\" />\n<address>\n</address>"),
              std::string::npos);
    ASSERT_EQ(f.Convert("http://h/?Top/Sub", Page("t", kCss, Main("x")), out, links, 1), 1);
    EXPECT_NE(out.find("<h2>[Top/Sub]</h2>"), std::string::npos);
}

TEST(CCVNFilter, PagesThatStayAsDownloaded) {
    FilterFixture f(kBodyRule, "");
    std::string out = "stale";
    std::vector<CLinkRecord> links;
    const std::string good = Page("t", kCss, Main("x"));
    // Style sheets by their path, whatever they hold; URLs without query; no style sheet
    // link (or only one to another site); no body match.
    EXPECT_EQ(f.Convert("http://h/skin/a.css", good, out, links), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(f.Convert("http://h/page.html", good, out, links), 0);
    EXPECT_EQ(f.Convert("http://h/?X", Page("t", "", Main("x")), out, links), 0);
    EXPECT_EQ(f.Convert("http://h/?X",
                        Page("t", "<link rel=\"stylesheet\" href=\"http://cdn/x.css\">", Main("x")),
                        out, links),
              0);
    EXPECT_EQ(f.Convert("http://h/?X", Page("t", kCss, "<p>no main</p>"), out, links), 0);
    EXPECT_EQ(f.Convert("http://h/?X", "no head at all", out, links), 0);
    EXPECT_TRUE(links.empty());

    // Without a body rule nothing is converted.
    FilterFixture none("# nothing here\n", "");
    EXPECT_EQ(none.Convert("http://h/?X", good, out, links), 0);
    // A body pattern that does not compile converts nothing either.
    FilterFixture bad("<div id=\"main\">((.*?)</div>", "");
    EXPECT_EQ(bad.Convert("http://h/?X", good, out, links), 0);
    // A pattern without group 1 keeps no content but still makes the page.
    FilterFixture nogroup("<div id=\"main\">", "");
    ASSERT_EQ(nogroup.Convert("http://h/?X", good, out, links), 1);
    EXPECT_NE(out.find("<h2>X</h2>\n<hr class=\"full_hr\" />"), std::string::npos);
}

TEST(CCVNFilter, ConvertsEucJpAndUtf8PagesToShiftJis) {
    FilterFixture f(Utf8ToSjis("<div id=\"main\">(.*?)</div>"), "");
    const std::string text =
        "Corvane は PukiWiki のサイトを巡回し、ページを HTML ヘルプにまとめます。"
        "リンクは出力フォルダー内のファイル名に書き換えられます。";
    const std::string utf8 = Page("x", kCss, Main(text));
    std::string out;
    std::vector<CLinkRecord> links;
    ASSERT_EQ(f.Convert("http://h/?X", utf8, out, links), 1);
    EXPECT_NE(out.find(Utf8ToSjis(text)), std::string::npos);
    // The page name in the URL is decoded in the wiki's encoding too (EUC-JP here).
    const std::string euc = ConvertCodePage(utf8, "UTF-8", "EUC-JP", "?");
    std::string fromEuc;
    ASSERT_EQ(f.Convert("http://h/?%C6%FC", euc, fromEuc, links), 1);
    EXPECT_NE(fromEuc.find(Utf8ToSjis("<h2>日</h2>\n") + Utf8ToSjis(text)), std::string::npos);
    // Shift_JIS pages are taken as they are.
    std::string fromSjis;
    ASSERT_EQ(f.Convert("http://h/?X", Utf8ToSjis(utf8), fromSjis, links), 1);
    EXPECT_EQ(fromSjis, out);
}

TEST(CCVNFilter, ShippedBodyRuleOnPagesOfEveryShape) {
    // The shipped rule (marker, lazy group, look-ahead for the end) and the head cut are
    // searched the quick way; these pages take the turns that could go astray there.
    FilterFixture f(test::ReadFileBytes(test::SourceDir() / "conf/body.txt"), "");
    std::string out;
    std::vector<CLinkRecord> links;
    const std::string end = "<hr class=\"full_hr\" />\n<!-- Toolbar -->";
    const auto keeps = [&](const std::string& page, const std::string& content) {
        out.clear();
        if (f.Convert("http://h/?X", page, out, links) != 1) return false;
        return out.find("<h2>X</h2>\n" + content + "<hr class=\"full_hr\" />\n<address>") !=
               std::string::npos;
    };
    EXPECT_TRUE(keeps("<HTML><HEAD><title>t</title>" + kCss +
                          "</HEAD>\n<DIV ID=\"BODY\">a\n"
                          "<p>b</p> \r\n\t<HR CLASS=\"FULL_HR\" />\r\n<DIV ID=\"FOOTER\">",
                      "a\n<p>b</p>"));
    // The end of the body is the last thing on the page; an empty body.
    EXPECT_TRUE(keeps(Page("t", kCss, "<div id=\"body\">x<div id=\"attach\">"), "x"));
    EXPECT_TRUE(keeps("<head>" + kCss + "</head><div id=\"body\"><div id=\"attach\">", ""));
    // Only the first marker counts; the end before it does not.
    EXPECT_TRUE(keeps(Page("t", kCss, end + "<div id=\"body\">1<div id=\"body\">2\n" + end),
                      "1<div id=\"body\">2"));
    // An EUC-JP page: converted first, its Japanese text right before the end kept whole.
    const std::string text = "本文の表示";
    const std::string euc = ConvertCodePage(
        Page("t", kCss, "<div id=\"body\">" + text + "\n" + end), "UTF-8", "EUC-JP", "?");
    EXPECT_TRUE(keeps(euc, Utf8ToSjis(text)));
    // No marker, or no end after it: the page stays as downloaded.
    EXPECT_FALSE(keeps(Page("t", kCss, "<div id=\"main\">x\n" + end), ""));
    EXPECT_EQ(out, "");
    EXPECT_FALSE(keeps(Page("t", kCss, "<div id=\"body\">x, and no end"), ""));
    EXPECT_FALSE(
        keeps("<html><title>t</title>" + kCss + "</HEAD >\n<div id=\"body\">x" + end, "x"));
}

TEST(CCVNFilter, PageNamesAreReadInTheEncodingOfThePage) {
    FilterFixture f(Utf8ToSjis("<div id=\"main\">(.*?)</div>"), "");
    std::string out;
    std::vector<CLinkRecord> links;
    const std::string hyouji = Utf8ToSjis("<h2>表示</h2>");
    // 表示 in UTF-8 and in EUC-JP: each page's own text tells how to read the name.
    const std::string utf8 =
        Page("x", kCss,
             Main("ヘルプ作成中は、取得したページがログ ウィンドウに一行ずつ表示されます。"
                  "プログレスバーは見つかったページの数に対する取得済みの数を示します。"));
    ASSERT_EQ(f.Convert("http://h/?%E8%A1%A8%E7%A4%BA", utf8, out, links), 1);
    EXPECT_NE(out.find(hyouji), std::string::npos);
    ASSERT_EQ(f.Convert("http://h/?%C9%BD%BC%A8", ConvertCodePage(utf8, "UTF-8", "EUC-JP", "?"),
                        out, links),
              1);
    EXPECT_NE(out.find(hyouji), std::string::npos);
    // A page of ASCII alone: the charset the server declared decides.
    const std::string ascii = Page("x", kCss, Main("plain"));
    ASSERT_EQ(f.Convert("http://h/?%C9%BD%BC%A8", ascii, out, links, 1,
                        "Content-Type: text/html; charset=EUC-JP\r\n"),
              1);
    EXPECT_NE(out.find(hyouji), std::string::npos);
    ASSERT_EQ(f.Convert("http://h/?%E8%A1%A8%E7%A4%BA", ascii, out, links, 1,
                        "Content-Type: text/html; charset=\"utf-8\"\r\n"),
              1);
    EXPECT_NE(out.find(hyouji), std::string::npos);
    // A half-width katakana title is no EUC-JP text.
    ASSERT_EQ(f.Convert("http://h/?K", Page("ｱｲｳｴ - PukiWiki", kCss, Main("ｶﾅ")), out, links), 1);
    EXPECT_NE(out.find(Utf8ToSjis("<title>ｱｲｳｴ</title>")), std::string::npos);
}

TEST(CCVNFilter, TheDeclaredCharsetWinsWhenThePageIsValidInIt) {
    // Short pages with an English skin: a few kanji in UTF-8 read as well as Shift_JIS
    // by their bytes alone, so only the declaration tells them apart.
    FilterFixture f(Utf8ToSjis("<div id=\"main\">(.*?)</div>"), "");
    const std::string plain = "Content-Type: text/html\r\n";
    const std::string utf8Header = "Content-Type: text/html; charset=UTF-8\r\n";
    const std::string utf8Meta = "<meta charset=\"utf-8\">";
    const std::string eucMeta =
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset = EUC-JP\">";
    using Encode = std::string (*)(const std::string&);
    const Encode same = [](const std::string& s) { return s; };
    const Encode euc = [](const std::string& s) {
        return ConvertCodePage(s, "UTF-8", "EUC-JP", "?");
    };
    const Encode sjis = [](const std::string& s) { return Utf8ToSjis(s); };
    struct Case {
        const char* what;
        std::string header, meta, word;
        Encode encode;
    };
    const Case cases[] = {
        {"UTF-8 by the header", utf8Header, "", "目次", same},
        {"UTF-8 by the meta", plain, utf8Meta, "東京", same},
        {"UTF-8 by both", utf8Header, utf8Meta, "表示", same},
        {"UTF-8 by the header, a stale meta", utf8Header, eucMeta, "目次", same},
        {"EUC-JP by the header", "Content-Type: text/html; charset=euc-jp\r\n", "", "表示", euc},
        {"EUC-JP by the meta", plain, eucMeta, "東京", euc},
        // The page's bytes are not UTF-8: the declaration is wrong and detection decides.
        {"says UTF-8, is Shift_JIS", utf8Header, utf8Meta, "目次と東京の表示", sjis},
        {"nothing declared, UTF-8", plain, "", "ページを HTML ヘルプにまとめます", same},
        {"nothing declared, Shift_JIS", plain, "", "目次と東京の表示", sjis},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string page = c.encode(Page("x", kCss + c.meta, Main("See: " + c.word)));
        std::string out;
        std::vector<CLinkRecord> links;
        ASSERT_EQ(f.Convert("http://h/?X", page, out, links, 1, c.header), 1);
        EXPECT_NE(out.find(Utf8ToSjis("<h2>X</h2>\nSee: " + c.word)), std::string::npos);
    }
}

TEST(CCVNFilter, CloneKeepsTheSettingsAndRules) {
    FilterFixture f(kBodyRule, "junk\n", "^(.*)$", "[$1]", "T", "F");
    std::unique_ptr<CHTMLFilter> clone(f.filter->Clone());
    std::string a;
    std::string b;
    std::vector<CLinkRecord> la;
    std::vector<CLinkRecord> lb;
    const std::string page = Page("t", kCss, Main("a junk <a href=\"./?Y\">Y</a>"));
    ASSERT_EQ(f.Convert("http://h/?X", page, a, la), 1);
    ASSERT_EQ(clone->BeginPage(CUrlParts("http://h/?X"), "", 0, 1), 1);
    ASSERT_EQ(clone->ConvertPage(LinkKind::Anchor, kHtmlHeader, page, b, lb), 1);
    EXPECT_EQ(a, b);
    EXPECT_NE(a.find("<a href=\"Y.html\">[Y]</a>"), std::string::npos) << a;
}

}  // namespace
}  // namespace corvane
