// The replacement rules of replace.txt: how a line splits into pattern and replacement,
// which replacements are refused, and what a rule makes of a page, within bounds.
#include <gtest/gtest.h>

#include "convert/cvn_filter.h"
#include "convert/replace_rule.h"
#include "platform/text_codec.h"
#include "support/test_paths.h"
#include "text/reg_manager.h"

namespace corvane {
namespace {

TEST(ReplaceRule, LinesWithoutTheArrowAfterATabStayPlainPatterns) {
    struct Case {
        std::string line, pattern, replacement;
    };
    const Case cases[] = {
        {"abc", "abc", ""},
        // Rule files written before replacements: a tab or an arrow alone is pattern text.
        {"a\tb", "a\tb", ""},
        {"a => b", "a => b", ""},
        {"a =>\tb", "a =>\tb", ""},
        {"a\t=>b", "a\t=>b", ""},
        {"a\t=>", "a\t=>", ""},
        {"a\t=\t>b", "a\t=\t>b", ""},
        // The replacement form; blanks around the arrow are part of it.
        {"a\t=>\tb", "a", "b"},
        {"a \t  => \t b c", "a", "b c"},
        {"<a id=\"([^\"]+)\">\t=> <a name=\"$1\">", "<a id=\"([^\"]+)\">", "<a name=\"$1\">"},
        // The first arrow after a tab ends the pattern; a tab before it is pattern text.
        {"a\tb\t=>\t$1", "a\tb", "$1"},
        {"x\t=>\ty\t=>\tz", "x", "y\t=>\tz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const CReplaceRule rule = ParseReplaceRule(c.line);
        EXPECT_EQ(rule.m_strPattern, c.pattern);
        EXPECT_EQ(rule.m_strReplacement, c.replacement);
    }
}

TEST(ReplaceRule, ReplacementsMayNameOnlyGroupsThePatternHas) {
    struct Case {
        std::string replacement;
        int groups;
        std::string error;  // a part of the reason; empty: accepted
    };
    const std::string lone = Utf8ToSjis("$ のあとには");
    const Case cases[] = {
        {"", 0, ""},
        {"plain", 0, ""},
        {"$0", 0, ""},
        {"$1$2", 2, ""},
        {"$$1", 0, ""},  // a dollar sign and "1"
        {"$$$$", 0, ""},
        {Utf8ToSjis("表示$1"), 1, ""},  // 示's trail byte is 0x5C
        {"$3", 2, "$3 "},
        {"$1", 0, "$1 "},
        {"a$10", 9, "$10 "},
        {"$99999999999999999999", 5, "$100000 "},  // no overflow into a small number
        {"$", 1, lone},
        {"a$", 1, lone},
        {"$&", 1, lone},
        {"$$$", 1, lone},
        {"$x$1", 1, lone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.replacement);
        const std::string error = CheckReplacement(c.replacement, c.groups);
        if (c.error.empty()) {
            EXPECT_EQ(error, "");
        } else {
            EXPECT_NE(error.find(c.error), std::string::npos) << SjisToUtf8(error);
        }
    }
}

std::string Apply(const std::string& text, const std::string& pattern,
                  const std::string& replacement, std::size_t max = 1 << 20, bool* over = nullptr) {
    CReplaceRuleCallback expand(replacement, text.size(), max);
    CRegManager reg;
    std::string out = text;
    EXPECT_GE(reg.Replace(out, pattern, expand, "ig"), 0);
    if (over != nullptr) *over = expand.IsOverLimit();
    return out;
}

TEST(ReplaceRule, ExpandsGroupsOnceForEveryMatch) {
    struct Case {
        std::string text, pattern, replacement, expected;
    };
    const Case cases[] = {
        {"<A ID=\"x\">1</A> <a id=\"y\">", "<a id=\"([^\"]+)\">", "<a name=\"$1\" id=\"$1\">",
         "<a name=\"x\" id=\"x\">1</A> <a name=\"y\" id=\"y\">"},
        {"ab", "(a)(x)?", "[$0|$1|$2]", "[a|a|]b"},
        {"cost 5", "(\\d)", "$$$1", "cost $5"},
        {"x", "x", "$", "$"},
        // The output is not searched again: a replacement that holds its match is no loop.
        {"aaa", "a", "aa", "aaaaaa"},
        {"aaa", "(?=a)", "a", "aaaaaa"},
        // A deletion, as every rule was before.
        {"a<b>c</b>", "</?b>", "", "ac"},
        // Double-byte text in the replacement and the groups stays whole.
        {Utf8ToSjis("<h2>表示</h2>"), "<h2>(.*?)</h2>", Utf8ToSjis("<h3>$1ソ</h3>"),
         Utf8ToSjis("<h3>表示ソ</h3>")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern + " => " + c.replacement);
        EXPECT_EQ(Apply(c.text, c.pattern, c.replacement), c.expected);
    }
}

TEST(ReplaceRule, AReplacementCannotGrowThePageBeyondTheBound) {
    const std::string text(1000, 'x');
    bool over = false;
    // Each match becomes four copies of itself: 4000 bytes where 2500 are allowed.
    const std::string out = Apply(text, "(.)", "$1$1$1$1", 2500, &over);
    EXPECT_TRUE(over);
    EXPECT_LE(out.size(), 2500u);
    // Within the bound it is done in full.
    EXPECT_EQ(Apply(text, "(.)", "$1$1$1$1", 4000, &over).size(), 4000u);
    EXPECT_FALSE(over);
    // One match that copies a large group again and again stops as early.
    EXPECT_LE(Apply(text, "(.*)", "$1$1$1$1$1$1$1$1", 2500, &over).size(), 2500u);
    EXPECT_TRUE(over);
}

// The page filter with replacement lines among old removal lines, and with rules that
// would copy the page again and again.
TEST(ReplaceRule, TheFilterAppliesReplacementsInFileOrderAndFailsAPageThatGrowsTooLarge) {
    test::ScratchDir dir;
    test::WriteFileBytes(dir / "body.txt", "<div id=\"main\">(.*?)</div><!--end-->\n");
    const auto filter = [&](const std::string& rules) {
        test::WriteFileBytes(dir / "replace.txt", rules);
        return std::make_unique<CCVNFilter>("", "", "T", "", (dir / "body.txt").string(),
                                            (dir / "replace.txt").string());
    };
    const auto page = [](const std::string& content) {
        return "<html><head><title>t</title><link rel=\"stylesheet\" href=\"s.css\"></head>"
               "<body><div id=\"main\">" +
               content + "</div><!--end--></body></html>";
    };
    const auto convert = [](CCVNFilter& f, const std::string& html, std::string& out) {
        std::vector<CLinkRecord> links;
        EXPECT_EQ(f.BeginPage(CUrlParts("http://h/?P"), "", 0, 1), 1);
        return f.ConvertPage(LinkKind::Anchor, "Content-Type: text/html\r\n", html, out, links);
    };

    auto mixed = filter(
        "<b>\n"
        "<i>([^<]*)</i>\t=>\t<em>$1</em>\n"
        "# a later rule sees what an earlier one made\n"
        "<em>\t=>\t<em class=\"e\">\n"
        "a\tb\n");
    std::string out;
    ASSERT_EQ(convert(*mixed, page("<b><i>one</i> a\tb <i>two</i>"), out), 1);
    EXPECT_NE(out.find("<h2>P</h2>\n<em class=\"e\">one</em>  <em class=\"e\">two</em><hr"),
              std::string::npos)
        << out;

    // Ten rules that each double the page: the first ones fit, then the page fails.
    std::string doubling;
    for (int i = 0; i < 10; ++i) doubling += "(.+)\t=>\t$1$1\n";
    auto growing = filter(doubling);
    const std::string content(600 * 1024, 'x');
    out = "stale";
    EXPECT_EQ(convert(*growing, page(content), out), 0);
    EXPECT_EQ(out, "");
    EXPECT_NE(growing->GetConversionError().find("larger than"), std::string::npos)
        << growing->GetConversionError();
}

}  // namespace
}  // namespace corvane
