// Nothing injected: text that a wiki editor, a server or a shared project chooses (page names,
// titles, URLs) reaches a help page, a log line or a terminal as text, never as markup, a
// line of its own or a control sequence.
#include <gtest/gtest.h>

#include <memory>

#include "convert/cvn_filter.h"
#include "platform/control_chars.h"
#include "platform/markup_escape.h"
#include "platform/text_codec.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

using test::ScratchDir;
using test::WriteFileBytes;

TEST(MarkupEscape, PlainTextAndMarkupText) {
    struct Case {
        std::string text, plain, keepingReferences;
    };
    const std::vector<Case> cases = {
        {"a&b", "a&amp;b", "a&amp;b"},
        {"<img src=y onerror=alert(1)>", "&lt;img src=y onerror=alert(1)&gt;",
         "&lt;img src=y onerror=alert(1)&gt;"},
        {"say \"hi\"", "say &quot;hi&quot;", "say &quot;hi&quot;"},
        // References the wiki already wrote stay; "&" that starts none is escaped.
        {"Q&amp;A &#12354; &#x3042; &copy;", "Q&amp;amp;A &amp;#12354; &amp;#x3042; &amp;copy;",
         "Q&amp;A &#12354; &#x3042; &copy;"},
        {"&; &#; &#x; &#12a; & amp;", "&amp;; &amp;#; &amp;#x; &amp;#12a; &amp; amp;",
         "&amp;; &amp;#; &amp;#x; &amp;#12a; &amp; amp;"},
        {"end &amp", "end &amp;amp", "end &amp;amp"},
        // A Shift_JIS character whose trail byte is "\" or "|" is left whole.
        {Utf8ToSjis("表示 ソ <"), Utf8ToSjis("表示 ソ &lt;"), Utf8ToSjis("表示 ソ &lt;")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EscapeMarkup(c.text), c.plain) << c.text;
        EXPECT_EQ(EscapeMarkupKeepingReferences(c.text), c.keepingReferences) << c.text;
    }
}

TEST(ControlCharacters, AreFoundAndShownEscaped) {
    EXPECT_FALSE(HasControlCharacter(Utf8ToSjis("Manual 表示 ソ\\")));
    for (const std::string& bad : std::vector<std::string>{
             "a\nb", "a\rb", "a\tb", std::string("a\0b", 3), "\x1b[2J", "\x7f"}) {
        EXPECT_TRUE(HasControlCharacter(bad)) << bad;
    }
    EXPECT_EQ(ShowControlCharacters("http://h/?a%0A\n[FILES]\r\x1b[31mred\tx"),
              "http://h/?a%0A\\x0A[FILES]\\x0D\\x1B[31mred\tx");
    EXPECT_EQ(ShowControlCharacters(Utf8ToSjis("表示")), Utf8ToSjis("表示"));
}

// A filter whose body rule keeps the whole "main" block.
struct Filter {
    ScratchDir dir;
    std::unique_ptr<CCVNFilter> filter;
    explicit Filter(const std::string& title) {
        WriteFileBytes(dir / "body.txt", "<div id=\"main\">(.*?)</div>");
        WriteFileBytes(dir / "replace.txt", "");
        filter = std::make_unique<CCVNFilter>("", "", title, "", (dir / "body.txt").string(),
                                              (dir / "replace.txt").string());
    }
    std::string Convert(const std::string& url, const std::string& pageTitle, int depth) {
        const std::string page = "<html><head><title>" + pageTitle +
                                 "</title><link rel=\"stylesheet\" href=\"a.css\" /></head>"
                                 "<body><div id=\"main\">text</div></body></html>";
        std::string out;
        std::vector<CLinkRecord> links;
        if (filter->BeginPage(CUrlParts(url), "", 0, depth) != 1) return "not begun";
        if (filter->ConvertPage(LinkKind::Anchor, "Content-Type: text/html\r\n", page, out,
                                links) != 1) {
            return "not converted";
        }
        return out;
    }
};

std::string Between(const std::string& text, const std::string& open, const std::string& close) {
    const std::size_t b = text.find(open);
    if (b == std::string::npos) return "(no " + open + ")";
    const std::size_t e = text.find(close, b + open.size());
    return text.substr(b + open.size(), e - b - open.size());
}

TEST(HelpPage, HeadingsAndTitlesCarryNoMarkup) {
    Filter f("Tom & \"Jerry\" <b>");
    // The page name as PukiWiki serves it (it escapes the name in its own title).
    const std::string page = f.Convert("http://h/?%3Cimg%20src%3Dy%20onerror%3Dalert(1)%3E",
                                       "&lt;img src=y onerror=alert(1)&gt; - PukiWiki", 1);
    EXPECT_EQ(Between(page, "<h2>", "</h2>"), "&lt;img src=y onerror=alert(1)&gt;");
    EXPECT_EQ(Between(page, "<title>", "</title>"), "&lt;img src=y onerror=alert(1)&gt;");
    EXPECT_EQ(page.find("<img"), std::string::npos);
    // A page name with a quote and an ampersand, and a title the wiki left raw.
    const std::string quoted = f.Convert("http://h/?a%22b%26c", "x<script>\"&y", 1);
    EXPECT_EQ(Between(quoted, "<h2>", "</h2>"), "a&quot;b&amp;c");
    EXPECT_EQ(Between(quoted, "<title>", "</title>"), "x&lt;script&gt;&quot;&amp;y");
    // The start page is headed by the project's title.
    const std::string start = f.Convert("http://h/?Top", "Top", 0);
    EXPECT_EQ(Between(start, "<h2>", "</h2>"), "Tom &amp; &quot;Jerry&quot; &lt;b&gt;");
}

}  // namespace
}  // namespace corvane
