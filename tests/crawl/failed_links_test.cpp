// Links to a failed page's file become links to the page on the wiki; nothing else in the
// page moves.
#include <gtest/gtest.h>

#include "crawl/failed_links.h"

#include <filesystem>

#include "support/test_paths.h"

namespace corvane {
namespace {

TEST(FailedLinksTest, OnlyLinkValuesNamingAFailedFileChange) {
    const std::map<std::string, std::string> targets = {
        {"Gone.html", "http://wiki/?cmd=read&page=Gone"}, {"a.png", "http://wiki/a.png"}};
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"<a href=\"Gone.html\">x</a>", "<a href=\"http://wiki/?cmd=read&amp;page=Gone\">x</a>"},
        {"<a class=\"c\" HREF = 'Gone.html#top'>x</a>",
         "<a class=\"c\" HREF=\"http://wiki/?cmd=read&amp;page=Gone#top\">x</a>"},
        {"<img src=a.png alt=\"a.png\">", "<img src=\"http://wiki/a.png\" alt=\"a.png\">"},
        // Text, other attributes, other files and names that only begin alike stay.
        {"see href=\"Gone.html\" here", "see href=\"Gone.html\" here"},
        {"<a title=\"href=Gone.html\" href=\"Kept.html\">",
         "<a title=\"href=Gone.html\" href=\"Kept.html\">"},
        {"<a href=\"Gone.html.bak\"><a xhref=\"Gone.html\">",
         "<a href=\"Gone.html.bak\"><a xhref=\"Gone.html\">"},
        {"<a href=\"Gone.html", "<a href=\"http://wiki/?cmd=read&amp;page=Gone\""},
        // An attribute on the next line, an unquoted value right before the tag's end.
        {"<a\nhref=\"Gone.html\">", "<a\nhref=\"http://wiki/?cmd=read&amp;page=Gone\">"},
        {"<img src=a.png>", "<img src=\"http://wiki/a.png\">"},
        {"<a href=Gone.html#x>", "<a href=\"http://wiki/?cmd=read&amp;page=Gone#x\">"},
    };
    for (const Case& c : cases) EXPECT_EQ(RelinkReferences(c.in, targets), c.out) << c.in;
}

// A URL is written as an attribute value: nothing in it can end the value or open a tag.
TEST(FailedLinksTest, TheWikiUrlCannotLeaveItsAttributeValue) {
    const std::map<std::string, std::string> targets = {{"Odd.html", "http://wiki/?a\"b<c>d&e"}};
    EXPECT_EQ(RelinkReferences("<a href='Odd.html#\"x'>", targets),
              "<a href=\"http://wiki/?a&quot;b&lt;c&gt;d&amp;e#&quot;x\">");
}

// Only the help pages of the run are rewritten, on disk, and a file that cannot be is named.
TEST(FailedLinksTest, SavedHelpPagesAreRewrittenAndOtherFilesKeepTheirBytes) {
    test::ScratchDir dir;
    test::ScratchDir elsewhere;
    const std::string link = "<a href=\"Gone.html\">g</a>";
    CWebPage page("http://wiki/?A"), attachment("http://wiki/?plugin=attach&openfile=x.txt"),
        linked("http://wiki/?L"), gone("http://wiki/?Gone");
    page.SetLocalName("A.html");
    page.SetSaved(true, true);
    attachment.SetLocalName("x.txt");
    attachment.SetSaved(true, false);
    linked.SetLocalName("L.html");
    linked.SetSaved(true, true);
    gone.SetLocalName("Gone.html");
    test::WriteFileBytes(dir / "A.html", "<p>" + link + "</p>");
    test::WriteFileBytes(dir / "x.txt", link);
    // A link planted in place of a help page is never written through.
    test::WriteFileBytes(elsewhere / "victim.html", link);
    std::filesystem::create_symlink(elsewhere / "victim.html", dir / "L.html");

    const std::vector<std::string> errors =
        RelinkFailedPages(dir.path().string() + "/", {&page, &attachment, &linked, &gone});
    EXPECT_EQ(test::ReadFileBytes(dir / "A.html"), "<p><a href=\"http://wiki/?Gone\">g</a></p>");
    EXPECT_EQ(test::ReadFileBytes(dir / "x.txt"), link);
    EXPECT_EQ(test::ReadFileBytes(elsewhere / "victim.html"), link);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("L.html"), std::string::npos) << errors[0];
}

TEST(FailedLinksTest, TargetsAreThePagesWithANameButNoFileOfTheirOwn) {
    CWebPage saved("http://wiki/?A"), failed("http://wiki/?B"),
        sameName("http://wiki/?cmd=read&page=A"), local("file:///x"), unnamed("http://wiki/?C");
    saved.SetLocalName("A.html");
    saved.SetSaved(true, true);
    failed.SetLocalName("B.html");
    sameName.SetLocalName("A.html");  // the file is there, written by the other URL
    local.SetLocalName("file:///x");
    const auto targets = FailedPageTargets({&saved, &failed, &sameName, &local, &unnamed});
    EXPECT_EQ(targets, (std::map<std::string, std::string>{{"B.html", "http://wiki/?B"}}));
}

}  // namespace
}  // namespace corvane
