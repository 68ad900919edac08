#include "text/reg_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "text/reg_format_callback.h"

namespace corvane {
namespace {

// Shift_JIS characters whose second byte is a backslash (0x5C) or a letter.
const std::string kHyo = "\x95\x5c";  // 表
const std::string kSo = "\x83\x5c";   // ソ
const std::string kA = "\x83\x41";    // ア (second byte is 'A')

std::string Replaced(std::string subject, std::string_view pattern, std::string_view format,
                     std::string_view options = {}) {
    CRegManager reg;
    reg.ReplaceFormat(subject, pattern, format, options);
    return subject;
}

TEST(RegManager, OptionsChooseGlobalCaseAndEncoding) {
    CRegManager reg;
    EXPECT_EQ(reg.Search("AbCabc", "abc", "ig"), 2);
    EXPECT_EQ(reg.Search("AbCabc", "abc", "i"), 1);
    EXPECT_EQ(reg.GetGroupPosition(0), 0);
    EXPECT_EQ(reg.Search("AbCabc", "abc", ""), 1);
    EXPECT_EQ(reg.GetGroupPosition(0), 3);
    // Unknown letters are ignored; "m" changes nothing as "." always crosses lines.
    EXPECT_EQ(reg.Search("AbC\nabc", "c.a", "mix"), 1);
    EXPECT_EQ(reg.Search("a\nc", "a.c", ""), 1);
    EXPECT_EQ(reg.Search("<head>\r\n<title>t</title>\r\n</head>x", "<head>.*?</head>", ""), 1);
    EXPECT_EQ(reg.FormatMatch("$'"), "x");

    // The last encoding letter wins: "(.)" takes one whole character of that encoding.
    const std::string utf8Hyo = "\xe8\xa1\xa8";
    const std::string eucHyo = "\xc9\xbd";
    EXPECT_EQ(reg.Search(utf8Hyo, "^(.)$", "u"), 1);
    EXPECT_EQ(reg.GetGroupLength(1), 3);
    EXPECT_EQ(reg.Search(utf8Hyo, "^(.)$", "us"), 0);
    EXPECT_EQ(reg.Search(eucHyo, "^(.)$", "ue"), 1);
    EXPECT_EQ(reg.GetGroupLength(1), 2);
    EXPECT_EQ(reg.Search(kHyo, "^(.)$", ""), 1);
    EXPECT_EQ(reg.GetGroup(1), kHyo);
}

TEST(RegManager, GroupReadsOnPresentAbsentAndMissingGroups) {
    CRegManager reg;
    // Nothing searched yet.
    EXPECT_EQ(reg.GetGroup(0), "");
    EXPECT_EQ(reg.GetGroupLength(0), -1);
    EXPECT_EQ(reg.GetGroupPosition(0), -1);
    EXPECT_EQ(reg.FormatMatch("$&"), "");

    ASSERT_EQ(reg.Search("xxa", "(a)|(b)"), 1);
    EXPECT_EQ(reg.GetGroup(1), "a");
    EXPECT_EQ(reg.GetGroupPosition(1), 2);
    EXPECT_EQ(reg.GetGroupLength(1), 1);
    // Group 2 exists but did not take part.
    EXPECT_EQ(reg.GetGroup(2), "");
    EXPECT_EQ(reg.GetGroupPosition(2), -1);
    EXPECT_EQ(reg.GetGroupLength(2), 0);
    // Out-of-range indexes read as absent.
    for (int index : {-1, 3, 100}) {
        EXPECT_EQ(reg.GetGroup(index), "");
        EXPECT_EQ(reg.GetGroupLength(index), -1);
        EXPECT_EQ(reg.GetGroupPosition(index), -1);
    }

    // A search without a match forgets the previous one.
    EXPECT_EQ(reg.Search("xyz", "(a)"), 0);
    EXPECT_EQ(reg.GetGroup(0), "");
    EXPECT_EQ(reg.GetGroupLength(0), -1);
    EXPECT_EQ(reg.GetMatchCount(), 0);
}

TEST(RegManager, GroupIntFollowsAtoiAndSaturates) {
    CRegManager reg;
    auto groupInt = [&](const std::string& text) {
        EXPECT_EQ(reg.Search(text, "^(.*)$"), 1) << text;
        return reg.GetGroupInt(1);
    };
    EXPECT_EQ(groupInt("1994"), 1994);
    EXPECT_EQ(groupInt("  -42abc"), -42);
    EXPECT_EQ(groupInt("+7"), 7);
    EXPECT_EQ(groupInt("abc"), 0);
    EXPECT_EQ(groupInt("99999999999999999999"), 2147483647);
    EXPECT_EQ(groupInt("-99999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(reg.GetGroupInt(5), 0);
}

TEST(RegManager, CurrentMatchCanBeChosenAndCountsFromTheEnd) {
    CRegManager reg;
    ASSERT_EQ(reg.Search("a1 b2 c3", "([a-z])(\\d)", "g"), 3);
    EXPECT_EQ(reg.GetGroup(0), "a1");
    reg.SetCurrentMatch(2);
    EXPECT_EQ(reg.GetGroup(1), "c");
    reg.SetCurrentMatch(-2);
    EXPECT_EQ(reg.GetGroup(2), "2");
    reg.SetCurrentMatch(3);
    EXPECT_EQ(reg.GetGroup(0), "");
    reg.Reset();
    EXPECT_EQ(reg.GetCurrentMatch(), -1);
    EXPECT_EQ(reg.GetGroup(0), "");
}

TEST(RegManager, PatternsKeptBetweenSearchesStillHonourTheirOptions) {
    // The same pattern under other options, one after the other and on other threads: each
    // search behaves as if it were the first.
    CRegManager reg;
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(reg.Search("abc ABC", "abc"), 1);
        EXPECT_EQ(reg.Search("abc ABC", "abc", "ig"), 2);
        EXPECT_EQ(reg.Search("abc ABC", "abc", "g"), 1);
        EXPECT_EQ(reg.Search("abc ABC", "ABC", "i"), 1);
        EXPECT_EQ(reg.GetGroupPosition(0), 0);
        // "." spans one character: a Shift_JIS one in the default encoding, one byte of it
        // in UTF-8.
        EXPECT_EQ(reg.Search(kA, "^.$"), 1);
        EXPECT_EQ(reg.Search(kA, "^.$", "u"), 0);
        EXPECT_EQ(reg.Search("x", "(", "i"), -1);
    }
    std::thread other([] {
        CRegManager mine;
        EXPECT_EQ(mine.Search("abc ABC", "abc", "ig"), 2);
    });
    other.join();
    // Many more patterns than are kept: older ones are compiled again when they come back.
    for (int i = 0; i < 600; ++i) {
        const std::string n = std::to_string(i);
        ASSERT_EQ(reg.Search("<" + n + ">", "<(" + n + ")>"), 1) << n;
        EXPECT_EQ(reg.GetGroup(1), n);
    }
    EXPECT_EQ(reg.Search("abc ABC", "abc", "ig"), 2);
}

TEST(RegManager, BadPatternsFailWithoutChangingTheSubject) {
    CRegManager reg;
    for (const char* pattern : {"(", "[a-", "[b-a]", "\\", "(?<n>a)\\k<m>", "*"}) {
        std::string subject = "abc(";
        EXPECT_EQ(reg.Search(subject, pattern), -1) << pattern;
        EXPECT_EQ(reg.GetGroup(0), "");
        EXPECT_EQ(reg.ReplaceFormat(subject, pattern, "x", "g"), -1) << pattern;
        EXPECT_EQ(subject, "abc(");
    }
    // A pattern that ends in the middle of a double-byte character.
    std::string subject = kHyo;
    EXPECT_LE(reg.ReplaceFormat(subject, "\x95", "x"), 0);
    EXPECT_EQ(subject, kHyo);
}

TEST(RegManager, ReplaceSubstitutesEveryMatchInOrder) {
    EXPECT_EQ(Replaced("xyz", "(x)(y)(z)", "$1$3"), "xz");
    EXPECT_EQ(Replaced("a1b22c", "\\d+", "#", "g"), "a#b#c");
    EXPECT_EQ(Replaced("a1b22c", "\\d+", "#"), "a#b22c");
    EXPECT_EQ(Replaced("<b>bold</b> and <i>it</i>", "<[^>]*>", "", "g"), "bold and it");

    std::string subject = "keep";
    CRegManager reg;
    EXPECT_EQ(reg.ReplaceFormat(subject, "zz", "x", "g"), 0);
    EXPECT_EQ(subject, "keep");
}

TEST(RegManager, FormatExpansion) {
    const std::string s = "<<xyz>>";
    const char* p = "(x)(y)?(q)?(z)";
    EXPECT_EQ(Replaced(s, p, "\\\\"), "<<\\>>");  // two backslashes: one backslash
    EXPECT_EQ(Replaced(s, p, "$$1"), "<<$x>>");
    EXPECT_EQ(Replaced(s, p, "$\\1"), "<<$x>>");
    EXPECT_EQ(Replaced(s, p, "[\\1\\4]"), "<<[xz]>>");
    EXPECT_EQ(Replaced(s, p, "[$&]"), "<<[xyz]>>");
    EXPECT_EQ(Replaced(s, p, "[$`|$']"), "<<[<<|>>]>>");
    EXPECT_EQ(Replaced(s, p, "[$+]"), "<<[z]>>");
    EXPECT_EQ(Replaced(s, "(x)(y)(q)?", "[$+]"), "<<[y]z>>");
    EXPECT_EQ(Replaced(s, "xyz", "[$+]"), "<<[]>>");  // only group 0
    // Absent and nonexistent groups expand to nothing.
    EXPECT_EQ(Replaced(s, p, "[$3$9]"), "<<[]>>");
    // Unknown escapes stay as written; a trailing introducer is kept.
    EXPECT_EQ(Replaced(s, p, "\\n$a"), "<<\\n$a>>");
    EXPECT_EQ(Replaced(s, p, "a$"), "<<a$>>");
    EXPECT_EQ(Replaced(s, p, "a\\"), "<<a\\>>");
    EXPECT_EQ(Replaced(s, p, "$"), "<<$>>");

    CRegManager reg;
    ASSERT_EQ(reg.Search("name: value", "(\\w+):\\s*"), 1);
    EXPECT_EQ(reg.FormatMatch("$'"), "value");
    EXPECT_EQ(reg.FormatMatch("$1=$'"), "name=value");
}

TEST(RegManager, ShiftJisTrailBackslashIsNeverSplit) {
    CRegManager reg;
    // Subject: a literal backslash is found only where it stands on its own.
    const std::string subject = kHyo + kSo + "\\" + kSo;
    EXPECT_EQ(reg.Search(subject, "\\\\", "g"), 1);
    EXPECT_EQ(reg.GetGroupPosition(0), 4);
    EXPECT_EQ(Replaced(subject, "\\\\", "/", "g"), kHyo + kSo + "/" + kSo);

    // Pattern: the 0x5C of 表 does not escape the "n" after it, nor the "+" after ソ.
    EXPECT_EQ(reg.Search("a" + kHyo + "n", kHyo + "n"), 1);
    EXPECT_EQ(reg.GetGroupPosition(0), 1);
    EXPECT_EQ(reg.Search(kSo + kSo + "x", "(" + kSo + "+)x"), 1);
    EXPECT_EQ(reg.GetGroup(1), kSo + kSo);

    // A second byte that is a letter is not that letter, with or without case folding.
    EXPECT_EQ(reg.Search(kA + "A", "A", "g"), 1);
    EXPECT_EQ(reg.GetGroupPosition(0), 2);
    EXPECT_EQ(reg.Search(kA + "A", "a", "ig"), 1);
    EXPECT_EQ(reg.GetGroupPosition(0), 2);

    // Format: the trail byte is copied, not read as an introducer.
    EXPECT_EQ(Replaced("xy", "(x)", kSo + "1" + kHyo + "$1"), kSo + "1" + kHyo + "xy");
    // An unknown escape followed by a double-byte character keeps that character whole.
    EXPECT_EQ(Replaced("xy", "(x)", "\\" + kHyo + "1"), "\\" + kHyo + "1y");
    EXPECT_EQ(Replaced("xy", "(x)", "$" + kSo + "1"), "$" + kSo + "1y");
    // Groups holding such characters come out whole.
    EXPECT_EQ(Replaced("<" + kHyo + kSo + ">", "<(.)(.)>", "$2$1"), kSo + kHyo);
}

TEST(RegManager, GlobalSearchStepsOverEmptyMatches) {
    CRegManager reg;
    EXPECT_EQ(reg.Search("abc", "x*", "g"), 3);
    EXPECT_EQ(Replaced("abc", "x*", "-", "g"), "-a-b-c");
    EXPECT_EQ(Replaced("abab", "(?=b)", "-", "g"), "a-ba-b");
    EXPECT_EQ(Replaced("a\nb\nc", "^", "> ", "g"), "> a\n> b\n> c");
    EXPECT_EQ(Replaced("aab", "a*", "-", "g"), "--b");
    // A step is a whole character: empty matches never fall inside 表 or ソ.
    EXPECT_EQ(reg.Search(kHyo + kSo, "x*", "g"), 2);
    EXPECT_EQ(Replaced(kHyo + kSo, "x*", "-", "g"), "-" + kHyo + "-" + kSo);
    EXPECT_EQ(Replaced("\xe8\xa1\xa8"
                       "a",
                       "x*", "-", "gu"),
              "-\xe8\xa1\xa8-a");
    // Without "g" only the first (empty) match counts.
    EXPECT_EQ(Replaced("abc", "x*", "-"), "-abc");
    EXPECT_EQ(reg.Search("", "x*", "g"), 1);
}

// Records what a substitution shows its callback.
class RecordingCallback : public CRegCallback {
public:
    std::string GetReplacement(const CRegMatch& match) override {
        subjects.emplace_back(match.Subject());
        firstMatched.push_back(match.FirstMatchedGroup(1));
        return "[" + match.ReplaceGroup(2, "HREF", 0, 0) + "]";
    }
    std::vector<std::string> subjects;
    std::vector<int> firstMatched;
};

TEST(RegManager, CallbackSeesOriginalSubjectAndReplacesGroups) {
    std::string page = "<a href=\"x\">1</a><img src=\"y\"><a href=\"z\">2</a>";
    CRegManager reg;
    RecordingCallback callback;
    const std::string original = page;
    ASSERT_EQ(reg.Replace(page, "<(?:a href|(img) src)=\"([^\"]*)\"", callback, "g"), 3);
    EXPECT_EQ(page, "[<a href=\"HREF\"]>1</a>[<img src=\"HREF\"]>[<a href=\"HREF\"]>2</a>");
    EXPECT_EQ(callback.subjects, std::vector<std::string>(3, original));
    EXPECT_EQ(callback.firstMatched, (std::vector<int>{2, 1, 2}));
    // The manager still holds the search the substitution ran.
    EXPECT_EQ(reg.GetMatchCount(), 3);
    EXPECT_EQ(reg.GetGroup(2), "x");
}

TEST(RegMatch, ReplaceGroupWindowsAndFirstMatchedGroup) {
    CRegManager reg;
    ASSERT_EQ(reg.Search("pre<a=b>post", "<(a)=(b)(c)?>"), 1);
    const auto match = reg.CurrentMatch();
    ASSERT_TRUE(match);
    EXPECT_EQ(match->ReplaceGroup(2, "XY", 0, 0), "<a=XY>");
    EXPECT_EQ(match->ReplaceGroup(1, "", 1, 2), "=b");
    EXPECT_EQ(match->ReplaceGroup(2, "XY", 1, 2), "a=XY");
    // Absent window groups widen the window to the subject's ends.
    EXPECT_EQ(match->ReplaceGroup(2, "XY", 3, 9), "pre<a=XY>post");
    EXPECT_EQ(match->ReplaceGroup(1, "", -1, 0), "pre<=b>");
    // The replaced group must take part and lie inside the window.
    EXPECT_EQ(match->ReplaceGroup(3, "XY", 0, 0), "");
    EXPECT_EQ(match->ReplaceGroup(7, "XY", 0, 0), "");
    EXPECT_EQ(match->ReplaceGroup(1, "XY", 2, 2), "");

    EXPECT_EQ(match->FirstMatchedGroup(0), 0);
    EXPECT_EQ(match->FirstMatchedGroup(2), 2);
    EXPECT_EQ(match->FirstMatchedGroup(3), -1);
    EXPECT_EQ(match->FirstMatchedGroup(4), -1);
    EXPECT_EQ(match->FirstMatchedGroup(-1), -1);
}

// A callback that runs its own searches on the manager doing the substitution.
class ReentrantCallback : public CRegCallback {
public:
    explicit ReentrantCallback(CRegManager& reg) : m_reg(reg) {}
    std::string GetReplacement(const CRegMatch& match) override {
        m_reg.Search(match.Group(1), "(\\d)", "g");
        return std::to_string(m_reg.GetMatchCount());
    }

private:
    CRegManager& m_reg;
};

TEST(RegManager, CallbackMayReuseTheManager) {
    CRegManager reg;
    ReentrantCallback callback(reg);
    std::string subject = "[1a2] [345] []";
    EXPECT_EQ(reg.Replace(subject, "\\[(.*?)\\]", callback, "g"), 3);
    EXPECT_EQ(subject, "2 3 0");
    EXPECT_EQ(reg.GetGroup(1), "1a2");
}

TEST(RegManager, ThreadsSearchConcurrentlyWithTheirOwnManagers) {
    // The first managers of the process are made here, all at once, in three encodings.
    const std::vector<std::pair<std::string, std::string>> cases = {{"", kHyo + "a" + kSo},
                                                                    {"e",
                                                                     "\xc9\xbd"
                                                                     "a\xa5\xbd"},
                                                                    {"u",
                                                                     "\xe8\xa1\xa8"
                                                                     "a\xe3\x82\xbd"}};
    std::vector<int> failures(6, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            const auto& [encoding, text] = cases[t % 3];
            for (int i = 0; i < 200; ++i) {
                CRegManager reg;
                std::string subject = text + text;
                if (reg.ReplaceFormat(subject, "(.)a(.)", "$2$1", "g" + encoding) != 2 ||
                    reg.Search(subject, "x*", "g" + encoding) != 4) {
                    ++failures[t];
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures, std::vector<int>(6, 0));
}

}  // namespace
}  // namespace corvane
