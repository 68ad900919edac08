// Links to a failed page's file become links to the page on the wiki; nothing else in the
// page moves.
#include <gtest/gtest.h>

#include "crawl/failed_links.h"

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
    };
    for (const Case& c : cases) EXPECT_EQ(RelinkReferences(c.in, targets), c.out) << c.in;
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
