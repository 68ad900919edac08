// The Japanese full-text index put into help files that chmcmd made: the rewritten container
// read by chmlib and listed by chmls with every other file unchanged, a directory large
// enough for index chunks, Free Pascal's own lookup finding Japanese words in the right
// pages, the help creator's step and its switch, and files that are left alone.
#include "help/japanese_search.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <thread>

#include "chm/chm_container.h"
#include "chm/chm_file_reader.h"
#include "chm/fts_index.h"
#include "help/help_creator.h"
#include "platform/text_codec.h"
#include "support/chm_tools.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

using test::ReadFileBytes;
using test::ScratchDir;
using test::WriteFileBytes;
using ::testing::HasSubstr;

std::string S(const char* utf8) { return Utf8ToSjis(utf8); }

std::string Page(const char* title, const char* body) {
    return S((std::string("<html><head><title>") + title + "</title></head><body>" + body +
              "</body></html>")
                 .c_str());
}

// A help project of Japanese pages compiled by chmcmd, with or without the new index.
struct JapaneseProject {
    ScratchDir dir;
    std::filesystem::path folder = dir / "help";
    std::vector<std::string> files = {"index.html", "tokyo.html", "osaka.html", "logo.png"};
    CHelpNode root{"Manual", "index.html"};
    std::vector<std::string> log;

    JapaneseProject() {
        std::filesystem::create_directories(folder);
        WriteFileBytes(folder / "index.html",
                       Page("目次", "<p>このマニュアルは検索できます。Corvane で作りました。</p>"));
        WriteFileBytes(folder / "tokyo.html",
                       Page("東京の案内", "<h1>東京</h1><p>首都です。Tokyo Tower</p>"));
        WriteFileBytes(folder / "osaka.html",
                       Page("大阪の案内", "<h1>大阪</h1><p>食い倒れ&amp;お笑い。Osaka</p>"));
        WriteFileBytes(folder / "logo.png", std::string("\x89PNG\r\n\x1a\n", 8));
        root.AddChild(new CHelpNode("Tokyo", "tokyo.html"));
        root.AddChild(new CHelpNode("Osaka", "osaka.html"));
    }
    std::filesystem::path Compile(bool search) {
        CHelpCreator creator;
        creator.SetFolder(FromNativePath(folder));
        creator.SetBaseName("Manual");
        creator.SetCompilerPath("chmcmd");
        creator.SetJapaneseSearch(search);
        creator.SetLog([this](const std::string& line) { log.push_back(line); });
        std::string error;
        creator.SetErrorReport([&](const std::string& text) { error = text; });
        EXPECT_TRUE(creator.Create(&root, files)) << error;
        return folder / "Manual.chm";
    }
};

// The topic file name of every topic number.
std::map<uint32_t, std::string> TopicNames(const CChmFileReader& reader) {
    std::vector<CChmTopic> topics;
    std::string error;
    EXPECT_TRUE(ReadChmTopics(reader, topics, error)) << error;
    std::map<uint32_t, std::string> names;
    for (const CChmTopic& topic : topics) names[topic.nIndex] = topic.strLocal;
    return names;
}

std::set<std::string> PagesOf(const CFtsHits& hits, const std::map<uint32_t, std::string>& names) {
    std::set<std::string> pages;
    for (const auto& [topic, positions] : hits) pages.insert(names.at(topic));
    return pages;
}

TEST(JapaneseSearchTest, RewrittenHelpFileKeepsEveryOtherFileAndFindsJapaneseWords) {
    JapaneseProject p;
    const auto chm = p.Compile(false);
    const std::string compiled = ReadFileBytes(chm);
    const auto original = p.dir / "original.chm";
    WriteFileBytes(original, compiled);

    const CJapaneseSearchResult result = RebuildJapaneseSearch(FromNativePath(chm), p.files);
    ASSERT_TRUE(result.bReplaced) << result.strReason;
    EXPECT_EQ(result.nPages, 3u);
    EXPECT_FALSE(std::filesystem::exists(p.folder / "Manual.chm.search-tmp"));

    // chmlib reads every file of the original back unchanged from the rewritten one.
    CChmContainer before, after;
    std::string error;
    ASSERT_TRUE(before.Parse(compiled, error)) << error;
    ASSERT_TRUE(after.Parse(ReadFileBytes(chm), error)) << error;
    CChmFileReader oldReader, newReader;
    ASSERT_TRUE(oldReader.Open(FromNativePath(original)));
    ASSERT_TRUE(newReader.Open(FromNativePath(chm)));
    for (const CChmEntry& entry : before.GetEntries()) {
        if (entry.strName == "/$FIftiMain" || entry.strName == "/$OBJINST") continue;
        std::string a, b;
        ASSERT_TRUE(oldReader.Read(entry.strName, a)) << entry.strName;
        ASSERT_TRUE(newReader.Read(entry.strName, b)) << entry.strName;
        EXPECT_EQ(a, b) << entry.strName;
    }
    // chmls lists the same names, the two search files now in the uncompressed section.
    const auto listedBefore = test::ListWithChmls(original);
    const auto listed = test::ListWithChmls(chm);
    ASSERT_FALSE(listed.empty());
    EXPECT_EQ(listed.size(), listedBefore.size());
    for (const auto& [name, section] : listedBefore) {
        ASSERT_EQ(listed.count(name), 1u) << name;
        if (name != "/$FIftiMain" && name != "/$OBJINST") {
            EXPECT_EQ(listed.at(name), section) << name;
        }
    }
    EXPECT_EQ(listed.at("/$FIftiMain"), 0);
    EXPECT_EQ(listed.at("/$OBJINST"), 0);

    // The index says Japanese and finds words on their pages.
    std::string index;
    ASSERT_TRUE(newReader.Read("/$FIftiMain", index));
    CFtsIndexReader fts;
    ASSERT_TRUE(fts.Parse(index, error)) << error;
    EXPECT_EQ(fts.GetCodePage(), 932u);
    EXPECT_EQ(fts.GetLcid(), 0x411u);
    const auto names = TopicNames(newReader);
    CFtsHits body, title;
    ASSERT_TRUE(fts.Lookup(S("東"), body, title));
    EXPECT_EQ(PagesOf(body, names), (std::set<std::string>{"tokyo.html"}));
    EXPECT_EQ(PagesOf(title, names), (std::set<std::string>{"tokyo.html"}));
    ASSERT_TRUE(fts.Lookup(S("検"), body, title));
    EXPECT_EQ(PagesOf(body, names), (std::set<std::string>{"index.html"}));
    ASSERT_TRUE(fts.Lookup("corvane", body, title));  // right after "。"
    EXPECT_EQ(PagesOf(body, names), (std::set<std::string>{"index.html"}));
    ASSERT_TRUE(fts.Lookup("osaka", body, title));
    EXPECT_EQ(PagesOf(body, names), (std::set<std::string>{"osaka.html"}));
    EXPECT_FALSE(fts.Lookup("bcorvane", body, title));
    EXPECT_FALSE(fts.Lookup("png", body, title));  // only pages are indexed
}

TEST(JapaneseSearchTest, FreePascalsLookupFindsJapaneseWordsInTheRightPages) {
    JapaneseProject p;
    const auto chm = p.Compile(true);
    ScratchDir tools;
    std::string why;
    const auto program = test::BuildPascalLookup(tools.path(), why);
    ASSERT_FALSE(program.empty()) << why;
    const auto found =
        test::PascalLookup(program, chm, {S("東"), S("阪"), S("検"), "corvane", "tokyo", S("猫")});
    ASSERT_EQ(found.size(), 6u);
    EXPECT_EQ(found[0], (std::set<std::string>{"tokyo.html"}));
    EXPECT_EQ(found[1], (std::set<std::string>{"osaka.html"}));
    EXPECT_EQ(found[2], (std::set<std::string>{"index.html"}));
    EXPECT_EQ(found[3], (std::set<std::string>{"index.html"}));
    EXPECT_EQ(found[4], (std::set<std::string>{"tokyo.html"}));
    EXPECT_TRUE(found[5].empty());
}

TEST(JapaneseSearchTest, HelpCreatorRebuildsTheIndexUnlessSwitchedOff) {
    JapaneseProject on;
    const auto chm = on.Compile(true);
    EXPECT_THAT(on.log,
                testing::Contains(HasSubstr(S("日本語の全文検索を作成しました（3 ページ、"))));
    EXPECT_EQ(test::ListWithChmls(chm).at("/$FIftiMain"), 0);

    // Off: chmcmd's own index stays, compressed.
    JapaneseProject off;
    const auto plain = off.Compile(false);
    EXPECT_THAT(off.log, testing::Not(testing::Contains(HasSubstr(S("全文検索")))));
    EXPECT_EQ(test::ListWithChmls(plain).at("/$FIftiMain"), 1);
}

TEST(JapaneseSearchTest, AStopLeavesTheHelpFileAsTheCompilerWroteIt) {
    JapaneseProject p;
    const auto chm = p.Compile(false);
    const std::string compiled = ReadFileBytes(chm);
    const std::atomic<bool> stop{true};
    const CJapaneseSearchResult result = RebuildJapaneseSearch(FromNativePath(chm), p.files, &stop);
    EXPECT_TRUE(result.bStopped);
    EXPECT_FALSE(result.bReplaced);
    EXPECT_EQ(ReadFileBytes(chm), compiled);
    EXPECT_FALSE(std::filesystem::exists(p.folder / "Manual.chm.search-tmp"));
}

TEST(JapaneseSearchTest, AnAbortWhileTheIndexIsMadeKeepsThePreviousHelpFile) {
    // chmcmd, through a wrapper that leaves its process number, has ended and been waited
    // for when the abort comes: the question that follows at once is the one before the index
    // step; the next one comes from the index step, which runs beside the waiting caller.
    JapaneseProject p;
    const auto pidFile = p.dir / "chmcmd.pid";
    const auto wrapper = p.dir / "chmcmd";
    WriteFileBytes(wrapper,
                   "#!/bin/sh\necho $$ > '" + pidFile.string() + "'\nexec chmcmd \"$@\"\n");
    std::filesystem::permissions(wrapper, std::filesystem::perms::owner_all);
    WriteFileBytes(p.folder / "Manual.chm", "the help file of the run before");
    auto compilerGone = [&] {
        // Read only once the line is whole.
        const std::string line =
            std::filesystem::exists(pidFile) ? ReadFileBytes(pidFile) : std::string();
        if (line.empty() || line.back() != '\n') return false;
        return kill(static_cast<pid_t>(std::stol(line)), 0) != 0 && errno == ESRCH;
    };

    CHelpCreator creator;
    creator.SetFolder(FromNativePath(p.folder));
    creator.SetBaseName("Manual");
    creator.SetCompilerPath(FromNativePath(wrapper));
    creator.SetLog([&](const std::string& line) { p.log.push_back(line); });
    int asked = 0;
    const auto caller = std::this_thread::get_id();
    bool askedElsewhere = false;
    creator.SetCancel([&] {
        askedElsewhere = askedElsewhere || std::this_thread::get_id() != caller;
        return compilerGone() && ++asked >= 2;
    });
    std::string error;
    creator.SetErrorReport([&](const std::string& text) { error = text; });
    EXPECT_FALSE(creator.Create(&p.root, p.files));
    EXPECT_TRUE(creator.WasCancelled()) << error;
    EXPECT_FALSE(askedElsewhere);
    EXPECT_THAT(p.log, testing::Not(testing::Contains(HasSubstr(S("全文検索")))));
    EXPECT_EQ(ReadFileBytes(p.folder / "Manual.chm"), "the help file of the run before");
    for (const auto& entry : std::filesystem::directory_iterator(p.folder)) {
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
        EXPECT_EQ(entry.path().string().find("search-tmp"), std::string::npos) << entry.path();
    }
}

TEST(JapaneseSearchTest, ManyFilesNeedIndexChunksThatReadersFollow) {
    // Long names fill several directory chunks, so lookups go through index chunks.
    JapaneseProject p;
    for (int i = 0; i < 300; ++i) {
        char name[80];
        std::snprintf(name, sizeof name, "page-with-a-rather-long-file-name-number-%03d.html", i);
        WriteFileBytes(p.folder / name, Page("頁", (std::to_string(i) + " 本文").c_str()));
        p.files.push_back(name);
    }
    const auto chm = p.Compile(false);
    const std::string compiled = ReadFileBytes(chm);
    ASSERT_TRUE(RebuildJapaneseSearch(FromNativePath(chm), p.files).bReplaced);

    CChmContainer before, after;
    std::string error;
    ASSERT_TRUE(before.Parse(compiled, error)) << error;
    ASSERT_TRUE(after.Parse(ReadFileBytes(chm), error)) << error;
    const std::string bytes = ReadFileBytes(chm);
    const uint32_t chunks = static_cast<unsigned char>(bytes[0x78 + 0x2C]) |
                            (static_cast<unsigned char>(bytes[0x78 + 0x2D]) << 8);
    EXPECT_GT(chunks, 3u);
    EXPECT_NE(bytes.substr(0x78 + 0x1C, 4), std::string(4, '\xFF'));  // a root index chunk

    CChmFileReader reader;
    ASSERT_TRUE(reader.Open(FromNativePath(chm)));
    WriteFileBytes(p.dir / "original.chm", compiled);
    CChmFileReader oldReader;
    ASSERT_TRUE(oldReader.Open(FromNativePath(p.dir / "original.chm")));
    for (const CChmEntry& entry : after.GetEntries()) {
        std::string b;
        ASSERT_TRUE(reader.Read(entry.strName, b)) << entry.strName;
        if (entry.strName == "/$FIftiMain" || entry.strName == "/$OBJINST") continue;
        std::string a;
        ASSERT_TRUE(oldReader.Read(entry.strName, a)) << entry.strName;
        EXPECT_EQ(a, b) << entry.strName;
    }
    // Nothing was lost: chmcmd's file names its second chunk as the first listing chunk, yet
    // the chain starts at chunk 0. chmls walks every chunk and lists the same names for both
    // files (it misses an entry here and there in either).
    const auto listedBefore = test::ListWithChmls(p.dir / "original.chm");
    const auto listedAfter = test::ListWithChmls(chm);
    EXPECT_GT(listedBefore.size(), 300u);
    EXPECT_EQ(listedAfter.size(), listedBefore.size());
    for (const auto& [name, section] : listedBefore) EXPECT_EQ(listedAfter.count(name), 1u) << name;
    EXPECT_EQ(after.GetEntries().size(), before.GetEntries().size());
}

TEST(JapaneseSearchTest, FilesThatAreNotAsExpectedAreLeftAlone) {
    ScratchDir dir;
    // Not a help file at all.
    WriteFileBytes(dir / "junk.chm", "not a help file");
    CJapaneseSearchResult result = RebuildJapaneseSearch(FromNativePath(dir / "junk.chm"), {});
    EXPECT_FALSE(result.bReplaced);
    EXPECT_FALSE(result.strReason.empty());
    EXPECT_EQ(ReadFileBytes(dir / "junk.chm"), "not a help file");
    EXPECT_FALSE(RebuildJapaneseSearch(FromNativePath(dir / "missing.chm"), {}).bReplaced);

    // A help file whose directory is cut short, and one without any project page.
    JapaneseProject p;
    const auto chm = p.Compile(false);
    const std::string compiled = ReadFileBytes(chm);
    WriteFileBytes(chm, compiled.substr(0, 0x200));
    result = RebuildJapaneseSearch(FromNativePath(chm), p.files);
    EXPECT_FALSE(result.bReplaced);
    EXPECT_EQ(ReadFileBytes(chm), compiled.substr(0, 0x200));

    WriteFileBytes(chm, compiled);
    result = RebuildJapaneseSearch(FromNativePath(chm), {"logo.png"});
    EXPECT_FALSE(result.bReplaced);
    EXPECT_THAT(result.strReason, HasSubstr("no page"));
    EXPECT_EQ(ReadFileBytes(chm), compiled);
    EXPECT_FALSE(std::filesystem::exists(p.folder / "Manual.chm.search-tmp"));
}

TEST(JapaneseSearchTest, KeywordIndexListsPagesByTitleAndIsNamedInTheProject) {
    JapaneseProject p;
    CHelpCreator creator;
    creator.SetFolder(FromNativePath(p.folder));
    creator.SetBaseName("Manual");
    creator.SetCompilerPath("chmcmd");
    creator.SetKeywordIndex(true);
    ASSERT_TRUE(creator.Create(&p.root, p.files));

    const std::string hhp = ReadFileBytes(p.folder / "Manual.hhp");
    EXPECT_THAT(hhp, HasSubstr("Compatibility=1.1 or later\r\nBinary Index=No\r\n"));
    EXPECT_THAT(hhp, HasSubstr("Full-text search=Yes\r\nIndex file=Manual.hhk\r\nLanguage="));
    const std::string hhk = ReadFileBytes(p.folder / "Manual.hhk");
    auto entry = [](const std::string& name, const std::string& local) {
        return "\t<LI> <OBJECT type=\"text/sitemap\">\r\n\t\t<param name=\"Name\" value=\"" + name +
               "\">\r\n\t\t<param name=\"Local\" value=\"" + local + "\">\r\n\t\t</OBJECT>\r\n";
    };
    // Sorted by the Shift_JIS bytes of the titles: 大 (91 E5), 東 (93 8C), 目 (96 DA).
    EXPECT_THAT(hhk, HasSubstr("<UL>\r\n" + entry(S("大阪の案内"), "osaka.html") +
                               entry(S("東京の案内"), "tokyo.html") +
                               entry(S("目次"), "index.html") + "</UL>\r\n"));
    // The help file carries the keyword index as written.
    CChmFileReader reader;
    ASSERT_TRUE(reader.Open(FromNativePath(p.folder / "Manual.chm")));
    std::string stored;
    ASSERT_TRUE(reader.Read("/Manual.hhk", stored));
    EXPECT_EQ(stored, hhk);
}

}  // namespace
}  // namespace corvane
