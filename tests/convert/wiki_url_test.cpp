// File names and page names of wiki URLs.
#include <gtest/gtest.h>

#include "convert/wiki_url.h"
#include "platform/text_codec.h"

namespace corvane {
namespace {

TEST(LocalFileName, PageQueriesNameHtmlFiles) {
    EXPECT_EQ(LocalFileName("http://wiki.example.jp/?FrontPage"), "FrontPage.html");
    EXPECT_EQ(LocalFileName("http://wiki.example.jp/index.php?cmd=edit&page=FrontPage"),
              "FrontPage.html");
    EXPECT_EQ(LocalFileName("http://wiki.example.jp/?FrontPage#note"), "FrontPage.html#note");
    // Percent-encoded names lose their '%' signs; UTF-8 and EUC-JP alike.
    EXPECT_EQ(LocalFileName("http://wiki.example.jp/?%A5%C6%A5%B9%A5%C8"), "A5C6A5B9A5C8.html");
    EXPECT_EQ(LocalFileName("http://wiki.example.jp/?Foo+Bar"), "Foo+Bar.html");
    EXPECT_EQ(LocalFileName("not a url"), "");
    EXPECT_EQ(LocalFileName(""), "");
}

TEST(LocalFileName, HierarchicalNamesStayInTheOutputFolder) {
    // PukiWiki 1.5 writes '/' raw in page links; both spellings name one flat file.
    EXPECT_EQ(LocalFileName("http://h/?Help/Syntax"), "Help2FSyntax.html");
    EXPECT_EQ(LocalFileName("http://h/?Help%2FSyntax"), "Help2FSyntax.html");
    EXPECT_EQ(LocalFileName("http://h/?A/B/C#x"), "A2FB2FC.html#x");
    EXPECT_EQ(LocalFileName("http://h/?C:\\x"), "C3A5Cx.html");
    EXPECT_EQ(LocalFileName("http://h/?../../etc/passwd"), "..2F..2Fetc2Fpasswd.html");
    // A Shift_JIS name whose trail byte is a backslash (表, ソ) keeps its characters whole.
    EXPECT_EQ(LocalFileName("http://h/?\x95\x5C\x83\x5C"), "\x95\x5C\x83\x5C.html");
    for (const char* url : {"http://h/a/..", "http://h/a/.", "http://h/..%2F..%2Fx"}) {
        const std::string name = LocalFileName(url);
        EXPECT_EQ(name.find('/'), std::string::npos) << url << " -> " << name;
        EXPECT_NE(name, "..") << url;
    }
}

TEST(LocalFileName, AttachmentsAndImagesInEveryParameterOrder) {
    EXPECT_EQ(LocalFileName("http://h/?plugin=attach&openfile=a.pdf&refer=Foo"), "Foo_a.pdf");
    // The order PukiWiki 1.4 and 1.5 write, and the attachment list's "open" link.
    EXPECT_EQ(LocalFileName("http://h/?plugin=attach&refer=Foo&openfile=a.pdf"), "Foo_a.pdf");
    EXPECT_EQ(LocalFileName("http://h/?plugin=attach&pcmd=open&file=a.pdf&refer=Foo"), "Foo_a.pdf");
    EXPECT_EQ(LocalFileName("http://h/?plugin=ref&page=Foo&src=b.png"), "Foo_b.png");
    EXPECT_EQ(LocalFileName("http://h/?plugin=ref&src=b.png&page=Foo"), "Foo_b.png");
    // Encoded page names: Japanese becomes hex digits, a hierarchical name stays flat.
    EXPECT_EQ(LocalFileName("http://h/?plugin=attach&refer=%E3%81%82&openfile=a%20b.pdf"),
              "E38182_a20b.pdf");
    EXPECT_EQ(LocalFileName("http://h/?plugin=ref&page=Help%2FSyntax&src=c.png"),
              "Help2FSyntax_c.png");
    // The information page of an attachment is a page, not the file itself.
    EXPECT_NE(LocalFileName("http://h/?plugin=attach&pcmd=info&file=a.pdf&refer=Foo"), "Foo_a.pdf");
}

TEST(LocalFileName, FilesKeepTheirNameAndOnlyTheStartScriptIsTheFrontPage) {
    EXPECT_EQ(LocalFileName("http://h/wiki/skin/default.css"), "default.css");
    EXPECT_EQ(LocalFileName("http://h/wiki/image/file.png"), "file.png");
    // The start page's own script without a query shows the default page ("./" in PukiWiki
    // 1.5); "dir/" and "dir/index.php" are one script.
    const std::string start = "http://h/wiki/index.php?FrontPage";
    EXPECT_EQ(LocalFileName("http://h/wiki/", start), "FrontPage.html");
    EXPECT_EQ(LocalFileName("http://h/wiki/index.php", start), "FrontPage.html");
    EXPECT_EQ(LocalFileName("http://h/wiki/Index.PHP", start), "FrontPage.html");
    EXPECT_EQ(LocalFileName("HTTP://H/wiki/#top", start), "FrontPage.html#top");
    EXPECT_EQ(LocalFileName("http://h/", "http://h/?Top"), "FrontPage.html");
    EXPECT_EQ(LocalFileName("http://h", "http://h/?Top"), "FrontPage.html");
    // Any other URL without a query is no page of this wiki: a site's top page, another
    // folder, another port or scheme, or no start page known.
    EXPECT_NE(LocalFileName("http://h/", start), "FrontPage.html");
    EXPECT_NE(LocalFileName("http://h/other/", start), "FrontPage.html");
    EXPECT_NE(LocalFileName("http://h:8080/wiki/", start), "FrontPage.html");
    EXPECT_NE(LocalFileName("https://h/wiki/", start), "FrontPage.html");
    EXPECT_NE(LocalFileName("http://h/wiki/"), "FrontPage.html");
    EXPECT_EQ(LocalFileName("http://h/wiki/other.php", start), "other.php");
    // A page of the script keeps its own name.
    EXPECT_EQ(LocalFileName("http://h/wiki/?Foo", start), "Foo.html");
}

TEST(SplitPageUrl, SplitsPageUrlsAndDecodesNames) {
    std::string base = "unchanged";
    std::string name = "unchanged";
    ASSERT_EQ(SplitPageUrl("http://user:pw@h:8080/wiki/index.php?cmd=read&page=Foo", base, name),
              1);
    EXPECT_EQ(base, "http://h/wiki/index.php");
    EXPECT_EQ(name, "Foo");

    // EUC-JP and UTF-8 names come out in Shift_JIS.
    const std::string test = Utf8ToSjis("テスト");
    ASSERT_EQ(SplitPageUrl("http://h/?%A5%C6%A5%B9%A5%C8", base, name), 1);
    EXPECT_EQ(name, test);
    ASSERT_EQ(SplitPageUrl("http://h/?%E3%83%86%E3%82%B9%E3%83%88/%E3%81%82", base, name), 1);
    EXPECT_EQ(name, test + Utf8ToSjis("/あ"));
    EXPECT_EQ(base, "http://h/");

    // Short UTF-8 names whose bytes also read as Shift_JIS are still UTF-8.
    ASSERT_EQ(SplitPageUrl("http://h/?%E3%81%AF%E3%81%98%E3%82%81%E3%81%AB", base, name), 1);
    EXPECT_EQ(name, Utf8ToSjis("はじめに"));
    ASSERT_EQ(SplitPageUrl("http://h/?%E7%94%A8%E8%AA%9E%E9%9B%86", base, name), 1);
    EXPECT_EQ(name, Utf8ToSjis("用語集"));
    // A Shift_JIS name stays as it is.
    ASSERT_EQ(SplitPageUrl("http://h/?%82%CD%82%B6%82%DF%82%C9", base, name), 1);
    EXPECT_EQ(name, Utf8ToSjis("はじめに"));

    // PukiWiki writes a blank as '+' and a '+' as %2B.
    ASSERT_EQ(SplitPageUrl("http://h/?A+B%2BC", base, name), 1);
    EXPECT_EQ(name, "A B+C");
}

TEST(SplitPageUrl, OnlyTheStartScriptWithoutQueryIsTheFrontPage) {
    std::string base;
    std::string name;
    const std::string start = "http://h/wiki/?FrontPage";
    ASSERT_EQ(SplitPageUrl("http://h/wiki/", base, name, start), 1);
    EXPECT_EQ(name, "FrontPage");
    EXPECT_EQ(base, "http://h/wiki/");
    ASSERT_EQ(SplitPageUrl("http://h/wiki/index.php", base, name, start), 1);
    EXPECT_EQ(name, "FrontPage");

    base = "keep";
    name = "keep";
    EXPECT_EQ(SplitPageUrl("http://h/", base, name, start), 0);
    EXPECT_EQ(SplitPageUrl("http://h/wiki/", base, name), 0);
    EXPECT_EQ(SplitPageUrl("http://h/wiki/skin/pukiwiki.css", base, name, start), 0);
    EXPECT_EQ(SplitPageUrl("http://h/wiki/image/a.png#x", base, name, start), 0);
    EXPECT_EQ(SplitPageUrl("nonsense", base, name, start), 0);
    EXPECT_EQ(base, "keep");
    EXPECT_EQ(name, "keep");
}

TEST(SplitPageUrl, NamesAreReadInTheEncodingOfTheirPage) {
    std::string base;
    std::string name;
    // 表示 in UTF-8: its six bytes score higher as EUC-JP, so a guess garbles it.
    const std::string hyouji = "http://h/?%E8%A1%A8%E7%A4%BA";
    ASSERT_EQ(SplitPageUrl(hyouji, base, name, "", kEncodingUtf8), 1);
    EXPECT_EQ(name, Utf8ToSjis("表示"));
    // The same bytes on an EUC-JP site are an EUC-JP name (one JIS X 0208 pair per two).
    ASSERT_EQ(SplitPageUrl("http://h/?%C9%BD%BC%A8", base, name, "", kEncodingEucJp), 1);
    EXPECT_EQ(name, Utf8ToSjis("表示"));
    ASSERT_EQ(SplitPageUrl("http://h/?%95%5C%8E%A6", base, name, "", kEncodingShiftJis), 1);
    EXPECT_EQ(name, Utf8ToSjis("表示"));
    // Half-width katakana, and a character Shift_JIS lacks (the converter's blank).
    ASSERT_EQ(
        SplitPageUrl("http://h/?%EF%BD%B1%EF%BD%B2%F0%9F%98%80", base, name, "", kEncodingUtf8), 1);
    EXPECT_EQ(name, Utf8ToSjis("ｱｲ "));
    // Bytes that are no UTF-8 on a UTF-8 page fall back to the guess.
    ASSERT_EQ(SplitPageUrl("http://h/?%A5%C6%A5%B9%A5%C8", base, name, "", kEncodingUtf8), 1);
    EXPECT_EQ(name, Utf8ToSjis("テスト"));
}

TEST(AttachmentFileUrl, TheInformationPageOfOneFileNamesItsFile) {
    const std::string open = "http://h:8/w/index.php?plugin=attach&pcmd=open&";
    const struct {
        std::string url, file;
    } cases[] = {
        {"http://h:8/w/index.php?plugin=attach&pcmd=info&file=a.pdf&refer=Top",
         open + "file=a.pdf&refer=Top"},
        // Any order; percent escapes stay as they are; the fragment is the page's, not the file's.
        {"http://h:8/w/index.php?refer=%E8%A1%A8&file=a%20b.png&pcmd=info&plugin=attach#x",
         open + "file=a%20b.png&refer=%E8%A1%A8"},
        // Not one file's information page.
        {"http://h:8/w/index.php?plugin=attach&pcmd=list&refer=Top", ""},
        {"http://h:8/w/index.php?plugin=attach&pcmd=info&file=a.pdf", ""},
        {"http://h:8/w/index.php?plugin=attach&pcmd=info&refer=Top", ""},
        {"http://h:8/w/index.php?plugin=attach&pcmd=info&file=&refer=Top", ""},
        {"http://h:8/w/index.php?plugin=attach&pcmd=open&file=a.pdf&refer=Top", ""},
        {"http://h:8/w/index.php?plugin=attachx&pcmd=info&file=a.pdf&refer=Top", ""},
        {"http://h:8/w/index.php?xplugin=attach&pcmd=info&file=a.pdf&refer=Top", ""},
        {"http://h:8/w/index.php?cmd=edit&page=Top", ""},
        {"http://h:8/w/index.php", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AttachmentFileUrl(c.url), c.file) << c.url;
    }
}

}  // namespace
}  // namespace corvane
