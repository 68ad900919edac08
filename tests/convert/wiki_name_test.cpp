// WikiName conversion of link texts and removal of link titles.
#include <gtest/gtest.h>

#include "convert/wiki_name_replacer.h"
#include "platform/text_codec.h"

namespace corvane {
namespace {

std::string Convert(std::string text, const std::string& base, const std::string& page,
                    const std::string& search = "^(.*)$", const std::string& replace = "[$1]") {
    ConvertWikiNameLinks(text, base, page, search, replace);
    return text;
}

TEST(ResolveRelativePageName, ResolvesAgainstTheCurrentPage) {
    EXPECT_EQ(ResolveRelativePageName("./Child", "Top"), "Top/Child");
    EXPECT_EQ(ResolveRelativePageName("../Sibling", "Top/Child"), "Top/Sibling");
    EXPECT_EQ(ResolveRelativePageName("../../X", "A/B/C"), "A/X");
    EXPECT_EQ(ResolveRelativePageName(".././X", "A/B"), "A/X");
    EXPECT_EQ(ResolveRelativePageName("../", "Top"), "");
    EXPECT_EQ(ResolveRelativePageName("../../../X", "Top"), "X");
    EXPECT_EQ(ResolveRelativePageName("Plain", "Top"), "Plain");
    EXPECT_EQ(ResolveRelativePageName(".hidden", "Top"), ".hidden");
}

TEST(ConvertWikiNameLinks, ConvertsLinksToTheWikiOnly) {
    const std::string base = "http://h/wiki/index.php";
    // PukiWiki 1.4: absolute links.
    EXPECT_EQ(
        Convert("<a href=\"http://h/wiki/index.php?Foo\" title=\"Foo (3d)\">Foo</a>", base, "Top"),
        "<a href=\"http://h/wiki/index.php?Foo\" title=\"Foo (3d)\">[Foo]</a>");
    // Relative name resolved before the replacement.
    EXPECT_EQ(Convert("<a href=\"http://h/wiki/index.php?Top/Sub\">./Sub</a>", base, "Top"),
              "<a href=\"http://h/wiki/index.php?Top/Sub\">[Top/Sub]</a>");
    // Other sites, links holding markup and anchors without href stay.
    const std::string others =
        "<a href=\"http://other/wiki/index.php?Foo\">Foo</a> <a href=\"./?X\"><b>X</b></a> "
        "<a id=\"x\">X</a>";
    EXPECT_EQ(Convert(others, base, "Top"), others);
    // The search applies to the first match only, letter case ignored.
    EXPECT_EQ(Convert("<A HREF=\"?FooFoo\">FooFoo</A>", base, "Top", "foo", "Bar"),
              "<A HREF=\"?FooFoo\">BarFoo</A>");
    // A search that does not compile leaves the (resolved) text.
    EXPECT_EQ(Convert("<a href=\"./?Top/Sub\">./Sub</a>", base, "Top", "(", "x"),
              "<a href=\"./?Top/Sub\">Top/Sub</a>");
}

TEST(ConvertWikiNameLinks, ConvertsTheRelativeLinksOfPukiWiki15) {
    const std::string base = "http://h/wiki/";
    const std::string links =
        "<a href=\"./?Foo\" class=\"link_page_passage\" data-mtime=\"x\">Foo</a>\n"
        "<a href=\"./\">FrontPage</a>\n"
        "<a href=\"?Bar\">Bar</a>\n"
        "<a href=\"index.php?Baz\">Baz</a>\n"
        "<a href=\"./?Help/Plugins\" title=\"Help/Plugins\">../Plugins</a>\n"
        "<a href=\"./image/x.png\">file</a>\n";
    const std::string expected =
        "<a href=\"./?Foo\" class=\"link_page_passage\" data-mtime=\"x\">[Foo]</a>\n"
        "<a href=\"./\">[FrontPage]</a>\n"
        "<a href=\"?Bar\">[Bar]</a>\n"
        "<a href=\"index.php?Baz\">[Baz]</a>\n"
        "<a href=\"./?Help/Plugins\" title=\"Help/Plugins\">[Help/Plugins]</a>\n"
        "<a href=\"./image/x.png\">file</a>\n";
    EXPECT_EQ(Convert(links, base + "index.php", "Help/Syntax"), expected);
    // Shift_JIS texts whose second byte is '\' stay whole.
    const std::string sjis = Utf8ToSjis("表示");
    EXPECT_EQ(Convert("<a href=\"./?X\">" + sjis + "</a>", base, "T", "^(.*)$", "$1!"),
              "<a href=\"./?X\">" + sjis + "!</a>");
}

TEST(RemoveLinkTitles, RemovesTitlesOfWikiLinksOnly) {
    std::string text =
        "<a href=\"http://h/wiki/index.php?Foo\" title=\"Foo (3d)\">Foo</a>|"
        "<a href=\"./?Help/Plugins\" title=\"Help/Plugins\" class=\"link_page_passage\">x</a>|"
        "<a href=\"http://other/?Foo\" title=\"keep\">Foo</a>|"
        "<a class=\"anchor_super\" href=\"./?X#a\" title=\"a\">t</a>";
    RemoveLinkTitles(text, "http://h/wiki/index.php");
    EXPECT_EQ(text,
              "<a href=\"http://h/wiki/index.php?Foo\" >Foo</a>|"
              "<a href=\"./?Help/Plugins\"  class=\"link_page_passage\">x</a>|"
              "<a href=\"http://other/?Foo\" title=\"keep\">Foo</a>|"
              "<a class=\"anchor_super\" href=\"./?X#a\" title=\"a\">t</a>");
}

TEST(RemoveLinkTitles, BaseIsMatchedLiterally) {
    // A '.' in the base matches only a '.'.
    std::string text = "<a href=\"http://hxwiki/?Foo\" title=\"t\">Foo</a>";
    RemoveLinkTitles(text, "http://h.wiki/");
    EXPECT_EQ(text, "<a href=\"http://hxwiki/?Foo\" title=\"t\">Foo</a>");
}

}  // namespace
}  // namespace corvane
