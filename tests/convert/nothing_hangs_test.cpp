// Nothing hangs in the page conversion: a search that backtracks without end gives up with
// the engine's reason, the page then fails with it, and the shipped rules cost linear work
// on pages of unclosed tags and long blank runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "convert/cvn_filter.h"
#include "convert/replace_rule.h"
#include "convert/rule_file.h"
#include "support/test_paths.h"
#include "text/reg_manager.h"

namespace corvane {
namespace {

using test::ReadFileBytes;
using test::ScratchDir;
using test::WriteFileBytes;
using ::testing::HasSubstr;

// Other bounds for the length of one test.
class ScopedRegLimits {
public:
    explicit ScopedRegLimits(const CRegLimits& limits) : m_saved(GetRegLimits()) {
        SetRegLimits(limits);
    }
    ~ScopedRegLimits() { SetRegLimits(m_saved); }

private:
    CRegLimits m_saved;
};

std::string Repeat(const std::string& piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

TEST(RegLimits, SearchesThatBacktrackWithoutEndGiveUpWithTheReason) {
    CRegManager reg;
    // Nested repeats: exponential in the length of the run; the steps of one match attempt
    // are bounded.
    const std::string run = Repeat("a", 40) + "!";
    EXPECT_EQ(reg.Search(run, "^(a|a?)+$"), CRegManager::kGivenUp);
    EXPECT_THAT(reg.GetError(), HasSubstr("retry-limit-in-match"));
    EXPECT_EQ(reg.GetMatchCount(), 0);
    // The next search starts afresh.
    EXPECT_EQ(reg.Search(run, "a+!"), 1);
    EXPECT_EQ(reg.GetError(), "");

    // A lazy group over 600 KB of unclosed tags: each attempt is short enough, their sum is
    // not (minutes); the clock bounds the search.
    const std::string unclosed = Repeat("<form x>", 75'000);
    {
        ScopedRegLimits limits({10'000'000, 50'000'000, 100});
        std::string page = unclosed;
        EXPECT_EQ(reg.ReplaceFormat(page, "<form\\b.*?</form>", "", "ig"), CRegManager::kGivenUp);
        EXPECT_THAT(reg.GetError(), HasSubstr("time limit over"));
        EXPECT_EQ(page, unclosed);
    }
    // A pattern that does not compile says why, without a search.
    EXPECT_EQ(CRegManager::CompileError("[b-"), "premature end of char-class");
    EXPECT_EQ(CRegManager::CompileError("(a"), "end pattern with unmatched parenthesis");
    EXPECT_EQ(CRegManager::CompileError("<form\\b.*?</form>", "i"), "");
    EXPECT_EQ(reg.Search("x", "(a"), CRegManager::kNotCompiled);
    EXPECT_EQ(reg.GetError(), "end pattern with unmatched parenthesis");
}

// Every pattern of the shipped page rules, searched as the page filter searches it, over pages
// made to make a pattern backtrack: linear work takes milliseconds here, quadratic work
// (600 KB squared) minutes, so the bound of the clock on one search is far from both.
TEST(ShippedRules, CostLinearWorkOnUnclosedTagsAndLongBlankRuns) {
    std::vector<std::pair<std::string, const char*>> patterns;
    for (const auto& [file, options] : std::vector<std::pair<const char*, const char*>>{
             {"body.txt", "i"}, {"replace.txt", "ig"}}) {
        for (const std::string& line : ReadRuleFile((test::SourceDir() / "conf" / file).string())) {
            patterns.emplace_back(ParseReplaceRule(line).m_strPattern, options);
        }
    }
    ASSERT_GT(patterns.size(), 10u);
    const std::vector<std::string> pages = {
        Repeat("<form x>", 75'000),
        Repeat("<FORM>\n", 85'000),
        "<div id=\"body\">" + Repeat(" ", 600'000) + "x",
        Repeat(" \n\t", 200'000) + "<a class=\"anchor_super\"",
        Repeat("<span class=\"noexists\"><a href=\"", 20'000),
        Repeat("<a class=\"anchor_super\" id=\"", 20'000),
        Repeat("<a href=\"", 60'000),
        Repeat("<a class=\"anchor_super\"", 30'000),
        Repeat("<span class=\"noexists\"><a href=\"x\"", 20'000),
        "<a" + Repeat(" x=\"y\"", 100'000),
        Repeat("<a x=\"y\" id=\"", 30'000),
        "<h2" + Repeat(" x=\"y\"", 100'000) + " id=\"z\"",
        Repeat("<h3 id=\"z\"", 40'000),
    };
    ScopedRegLimits limits({10'000'000, 200'000'000, 10'000});
    CRegManager reg;
    for (const auto& [pattern, options] : patterns) {
        for (std::size_t i = 0; i < pages.size(); ++i) {
            EXPECT_NE(reg.Search(pages[i], pattern, options), CRegManager::kGivenUp)
                << pattern << " on page " << i << ": " << reg.GetError();
        }
    }
}

TEST(CCVNFilter, APageTheRulesGiveUpOnFailsWithTheReason) {
    ScratchDir dir;
    WriteFileBytes(dir / "body.txt", "<div id=\"main\">(.*?)</div>");
    WriteFileBytes(dir / "replace.txt", "<b>\n^(a|a?)+$\n");
    CCVNFilter filter("", "", "T", "", (dir / "body.txt").string(), (dir / "replace.txt").string());
    auto convert = [&](const std::string& content) {
        std::string out;
        std::vector<CLinkRecord> links;
        const std::string page =
            "<html><head><title>t</title><link rel=\"stylesheet\" href=\"a.css\" /></head>"
            "<body><div id=\"main\">" +
            content + "</div></body></html>";
        EXPECT_EQ(filter.BeginPage(CUrlParts("http://h/?P"), "", 0, 1), 1);
        return filter.ConvertPage(LinkKind::Anchor, "Content-Type: text/html\r\n", page, out,
                                  links);
    };
    EXPECT_EQ(convert(Repeat("a", 40) + "!"), 0);
    EXPECT_THAT(filter.GetConversionError(), HasSubstr("[^(a|a?)+$]"));
    EXPECT_THAT(filter.GetConversionError(), HasSubstr("retry-limit-in-match over"));
    // The next page is converted, and says nothing.
    EXPECT_EQ(convert("fine<b>"), 1);
    EXPECT_EQ(filter.GetConversionError(), "");
}

}  // namespace
}  // namespace corvane
