// The built-in compiler against readers nobody here wrote: chmlib and libmspack give back every
// listed file byte for byte (a small Japanese project, and a site large enough for many
// directory chunks and reset intervals), Free Pascal's lookup and our index reader find
// Japanese words on their pages, #SYSTEM and #WINDOWS carry the project's window, font and
// system entries, and a file that cannot be read stops the compile by name.
#include "help/builtin_compiler.h"

#include <chm_lib.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <thread>

#include "chm/chm_container.h"
#include "chm/chm_file_reader.h"
#include "chm/fts_index.h"
#include "help/help_creator.h"
#include "platform/atomic_file.h"
#include "platform/text_codec.h"
#include "support/chm_tools.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

using test::ReadFileBytes;
using test::ScratchDir;
using test::WriteFileBytes;
using ::testing::HasSubstr;
using ::testing::Not;

std::string S(const char* utf8) { return Utf8ToSjis(utf8); }

uint32_t Get32(const std::string& b, size_t pos) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[pos + i]);
    return v;
}

std::string Page(const std::string& title, const std::string& body) {
    return S(("<html><head><title>" + title + "</title></head><body>" + body + "</body></html>")
                 .c_str());
}

// A help project written the way the program writes it, with a window definition in the
// Workshop's syntax, compiled by the built-in compiler.
struct Project {
    ScratchDir dir;
    std::filesystem::path folder = dir / "help";
    std::vector<std::string> files;
    std::vector<std::string> log;
    std::string error;

    Project() { std::filesystem::create_directories(folder); }
    void Add(const std::string& name, const std::string& bytes) {
        WriteFileBytes(folder / name, bytes);
        files.push_back(name);
    }
    void WriteProject(const std::string& windows) {
        std::string hhc =
            "<HTML><BODY><OBJECT type=\"text/site properties\">\r\n<param name=\"ImageType\" "
            "value=\"Folder\">\r\n</OBJECT>\r\n<UL>\r\n<LI> <OBJECT type=\"text/sitemap\">\r\n"
            "<param name=\"Name\" value=\"" +
            S("目次") + "\">\r\n<param name=\"Local\" value=\"" + files[0] +
            "\">\r\n</OBJECT>\r\n</UL></BODY></HTML>\r\n";
        WriteFileBytes(folder / "Manual.hhc", hhc);
        std::string hhp =
            "[OPTIONS]\r\nCompatibility=1.1 or later\r\nCompiled file=Manual.chm\r\n"
            "Contents file=Manual.hhc\r\nDefault Font=MS UI Gothic,9,128\r\n"
            "Default Window=main\r\nDefault topic=" +
            files[0] +
            "\r\nDisplay compile progress=No\r\nFull-text search=Yes\r\n"
            "Language=0x411 " +
            S("日本語") + "\r\nTitle=" + S("案内書") + "\r\n\r\n[WINDOWS]\r\n" + windows +
            "\r\n\r\n[FILES]\r\n";
        for (const std::string& name : files) hhp += name + "\r\n";
        hhp += "\r\n[INFOTYPES]\r\n";
        WriteFileBytes(folder / "Manual.hhp", hhp);
    }
    bool Compile(unsigned threads = 0) {
        CBuiltinCompiler compiler;
        compiler.SetThreads(threads);
        compiler.SetLog([this](const std::string& line) { log.push_back(line); });
        return compiler.Compile(FromNativePath(folder) + "/", "Manual.hhp", error);
    }
    std::filesystem::path Chm() const { return folder / "Manual.chm"; }
};

const char* kWindow =
    "main=\"案内書\",\"Manual.hhc\",,\"index.html\",\"index.html\",,,,,0x40520,250,0x384E,"
    "[50,50,1010,710],,,,,,,0";

void AddJapanesePages(Project& p) {
    p.Add("index.html",
          Page("目次", "<p>このマニュアルは検索できます。Corvane で作りました。</p>"));
    p.Add("tokyo.html", Page("東京の案内", "<h1>東京</h1><p>首都です。Tokyo Tower</p>"));
    p.Add("osaka.html", Page("大阪の案内", "<h1>大阪</h1><p>食い倒れ&amp;お笑い。Osaka</p>"));
    p.Add("logo.png", std::string("\x89PNG\r\n\x1a\n", 8));
}

// A site shaped like a crawled wiki: many pages of mixed Japanese and ASCII text, images of
// random bytes, a style sheet, some empty files, names long enough to fill directory chunks.
void AddGeneratedSite(Project& p, int pages) {
    std::mt19937 random(7);
    const char* words[] = {"編集", "ページ", "添付", "検索", "wiki", "PukiWiki", "一覧", "更新"};
    p.Add("index.html", Page("目次", "<p>始まり</p>"));
    for (int i = 0; i < pages; ++i) {
        std::string body;
        const int n = 50 + static_cast<int>(random() % 400);
        for (int w = 0; w < n; ++w) body += std::string(words[random() % 8]) + (w % 9 ? " " : "。");
        char name[96];
        std::snprintf(name, sizeof name, "Page_%05d_E38386E382B9E38388E3839AE383BCE382B8.html", i);
        p.Add(name, Page("頁 " + std::to_string(i), "<p>" + body + "</p>"));
        if (i % 10 == 0) {
            std::string image(random() % 20000, '\0');
            for (char& c : image) c = static_cast<char>(random());
            std::snprintf(name, sizeof name, "image_%05d.png", i);
            p.Add(name, image);
        }
        if (i % 97 == 0) {
            std::snprintf(name, sizeof name, "empty_%05d.txt", i);
            p.Add(name, "");
        }
    }
    p.Add("default.css", "body { font-family: sans-serif; }\r\n");
    // An attachment read in several pieces, its end inside an interval.
    std::string big(2 * 1048576 + 300007, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i % 251) ^ (i >> 13));
    p.Add("manual.pdf", big);
}

class BuiltinRoundTrip : public testing::TestWithParam<int> {};

TEST_P(BuiltinRoundTrip, ChmlibAndLibmspackGiveBackEveryListedFile) {
    Project p;
    if (GetParam() == 0) {
        AddJapanesePages(p);
    } else {
        AddGeneratedSite(p, 2500);
    }
    p.WriteProject(S(kWindow));
    ASSERT_TRUE(p.Compile(GetParam() == 0 ? 1 : 2)) << p.error;

    const std::string bytes = ReadFileBytes(p.Chm());
    CChmContainer container;
    std::string error;
    ASSERT_TRUE(container.Parse(bytes, error)) << error;
    if (GetParam() == 1) {
        // Directory chunks chained under index chunks, and many reset intervals.
        EXPECT_GT(Get32(bytes, 0x78 + 0x2C), 10u);
        EXPECT_GE(Get32(bytes, 0x78 + 0x18), 2u);
        const CChmEntry* reset = container.Find(
            "::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/"
            "InstanceData/ResetTable");
        ASSERT_NE(reset, nullptr);
        EXPECT_GT((reset->nLength - 0x28) / 8, 100u);  // frames
    }

    CChmFileReader reader;
    ASSERT_TRUE(reader.Open(FromNativePath(p.Chm())));
    const auto mspack = test::ExtractWithLibmspack(p.Chm(), p.dir.path());
    std::vector<std::string> all = p.files;
    all.push_back("Manual.hhc");
    for (const std::string& name : all) {
        const std::string expected = ReadFileBytes(p.folder / name);
        std::string got;
        ASSERT_TRUE(reader.Read("/" + name, got)) << name;
        ASSERT_TRUE(got == expected) << "chmlib: " << name;
        ASSERT_EQ(mspack.count("/" + name), 1u) << name;
        ASSERT_TRUE(mspack.at("/" + name) == expected) << "libmspack: " << name;
    }
    // The full-text index lies in the compressed section, over several reset intervals on
    // the big site: both readers give back the same bytes, and they answer lookups.
    std::string index;
    ASSERT_TRUE(reader.Read("/$FIftiMain", index));
    ASSERT_EQ(mspack.count("/$FIftiMain"), 1u);
    EXPECT_TRUE(mspack.at("/$FIftiMain") == index);
    EXPECT_EQ(container.Find("/$FIftiMain")->nSection, 1u);
    if (GetParam() == 1) {
        EXPECT_GT(index.size(), 4u * 0x8000);
    }
    CFtsIndexReader fts;
    ASSERT_TRUE(fts.Parse(index, error)) << error;
    CFtsHits body, title;
    ASSERT_TRUE(fts.Lookup(S(GetParam() == 0 ? "首" : "添"), body, title));
    EXPECT_EQ(body.size(), GetParam() == 0 ? 1u : 2500u);
    // The topic table lists the pages in the order of the project.
    std::vector<CChmTopic> topics;
    ASSERT_TRUE(ReadChmTopics(reader, topics, error)) << error;
    std::vector<std::string> pages;
    for (const std::string& name : p.files) {
        if (name.size() > 5 && name.substr(name.size() - 5) == ".html") pages.push_back(name);
    }
    ASSERT_EQ(topics.size(), pages.size());
    for (size_t i = 0; i < pages.size(); ++i) EXPECT_EQ(topics[i].strLocal, pages[i]);
    EXPECT_THAT(p.log.back(),
                HasSubstr(std::to_string(all.size()) + " / " + std::to_string(all.size())));
}

INSTANTIATE_TEST_SUITE_P(Sites, BuiltinRoundTrip, testing::Values(0, 1));

// The log follows a compile in at most ten lines, whatever the number of files, the last
// one saying all files are in.
TEST(BuiltinCompilerTest, ProgressComesInAtMostTenLines) {
    for (const int count : {1, 9, 19, 28, 101}) {
        SCOPED_TRACE(count);
        Project p;
        for (int i = 0; i < count; ++i) {
            p.Add("p" + std::to_string(i) + ".html", Page("頁", "<p>本文</p>"));
        }
        p.WriteProject(S(kWindow));
        ASSERT_TRUE(p.Compile(1)) << p.error;
        const std::string all = std::to_string(count + 1);  // the contents file too
        std::vector<std::string> progress;
        for (const std::string& line : p.log) {
            if (line.find(S("コンパイル中")) != std::string::npos) progress.push_back(line);
        }
        ASSERT_FALSE(progress.empty());
        EXPECT_LE(progress.size(), 10u);
        EXPECT_GE(progress.size(), std::min<size_t>(count + 1, 5));
        EXPECT_THAT(progress.back(), HasSubstr(all + " / " + all));
    }
}

std::map<std::string, uint32_t> TopicNumbers(const CChmFileReader& reader) {
    std::vector<CChmTopic> topics;
    std::string error;
    EXPECT_TRUE(ReadChmTopics(reader, topics, error)) << error;
    std::map<std::string, uint32_t> numbers;
    for (const CChmTopic& topic : topics) numbers[topic.strLocal] = topic.nIndex;
    return numbers;
}

TEST(BuiltinCompilerTest, JapaneseWordsAreFoundOnTheirPages) {
    Project p;
    AddJapanesePages(p);
    p.WriteProject(S(kWindow));
    ASSERT_TRUE(p.Compile()) << p.error;

    // Free Pascal's own lookup, a reader we did not write.
    ScratchDir tools;
    std::string why;
    const auto program = test::BuildPascalLookup(tools.path(), why);
    ASSERT_FALSE(program.empty()) << why;
    const auto found = test::PascalLookup(
        program, p.Chm(), {S("東"), S("阪"), S("検"), "corvane", "tokyo", S("猫"), "png"});
    ASSERT_EQ(found.size(), 7u);
    EXPECT_EQ(found[0], (std::set<std::string>{"tokyo.html"}));
    EXPECT_EQ(found[1], (std::set<std::string>{"osaka.html"}));
    EXPECT_EQ(found[2], (std::set<std::string>{"index.html"}));
    EXPECT_EQ(found[3], (std::set<std::string>{"index.html"}));
    EXPECT_EQ(found[4], (std::set<std::string>{"tokyo.html"}));
    EXPECT_TRUE(found[5].empty());
    EXPECT_TRUE(found[6].empty());  // only pages are indexed

    // Title words are told apart from body words; the index says Japanese.
    CChmFileReader reader;
    ASSERT_TRUE(reader.Open(FromNativePath(p.Chm())));
    std::string index, error;
    ASSERT_TRUE(reader.Read("/$FIftiMain", index));
    CFtsIndexReader fts;
    ASSERT_TRUE(fts.Parse(index, error)) << error;
    EXPECT_EQ(fts.GetCodePage(), 932u);
    EXPECT_EQ(fts.GetLcid(), 0x411u);
    const auto numbers = TopicNumbers(reader);
    CFtsHits body, title;
    ASSERT_TRUE(fts.Lookup(S("案"), body, title));
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(title.size(), 2u);
    EXPECT_EQ(title.count(numbers.at("tokyo.html")), 1u);
    EXPECT_THAT(test::ListWithChmls(p.Chm()), testing::Contains(testing::Pair("/$FIftiMain", 1)));
}

// The #SYSTEM records: code -> data.
std::map<uint32_t, std::string> SystemEntries(const std::string& system) {
    std::map<uint32_t, std::string> entries;
    EXPECT_EQ(Get32(system, 0), 3u);
    size_t pos = 4;
    while (pos + 4 <= system.size()) {
        const uint32_t code = Get32(system, pos) & 0xFFFF;
        const uint32_t length = Get32(system, pos) >> 16;
        EXPECT_LE(pos + 4 + length, system.size());
        entries[code] = system.substr(pos + 4, length);
        pos += 4 + length;
    }
    EXPECT_EQ(pos, system.size());
    return entries;
}

std::string StringAt(const std::string& strings, uint32_t offset) {
    if (offset >= strings.size()) return "(outside #STRINGS)";
    return strings.substr(offset, strings.find('\0', offset) - offset);
}

TEST(BuiltinCompilerTest, SystemAndWindowsCarryTheProjectsEntries) {
    Project p;
    AddJapanesePages(p);
    p.WriteProject(S(kWindow));
    ASSERT_TRUE(p.Compile()) << p.error;
    CChmFileReader reader;
    ASSERT_TRUE(reader.Open(FromNativePath(p.Chm())));
    std::string system, windows, strings;
    ASSERT_TRUE(reader.Read("/#SYSTEM", system));
    ASSERT_TRUE(reader.Read("/#WINDOWS", windows));
    ASSERT_TRUE(reader.Read("/#STRINGS", strings));

    auto entries = SystemEntries(system);
    EXPECT_EQ(entries[0], std::string("Manual.hhc") + '\0');
    EXPECT_EQ(entries[2], std::string("index.html") + '\0');
    EXPECT_EQ(entries[3], S("案内書") + '\0');
    EXPECT_EQ(entries[5], std::string("main") + '\0');
    EXPECT_EQ(entries[6], std::string("Manual") + '\0');
    EXPECT_EQ(entries[16], std::string("MS UI Gothic,9,128") + '\0');
    ASSERT_EQ(entries[4].size(), 36u);
    EXPECT_EQ(Get32(entries[4], 0), 0x411u);  // Japanese
    EXPECT_EQ(Get32(entries[4], 4), 1u);      // double-byte text
    EXPECT_EQ(Get32(entries[4], 8), 1u);      // full-text search
    EXPECT_EQ(entries.count(1), 0u);          // no keyword index in this project
    EXPECT_EQ(entries[13].substr(0, 4), "T#SM");

    ASSERT_EQ(Get32(windows, 0), 1u);
    const uint32_t size = Get32(windows, 4);
    ASSERT_EQ(windows.size(), 8u + size);
    const std::string w = windows.substr(8);
    EXPECT_EQ(StringAt(strings, Get32(w, 0x08)), "main");
    EXPECT_EQ(StringAt(strings, Get32(w, 0x14)), S("案内書"));
    EXPECT_EQ(Get32(w, 0x10), 0x40520u);  // tri-pane with the search tab
    EXPECT_EQ(Get32(w, 0x10) & 0x400, 0x400u);
    EXPECT_EQ(Get32(w, 0x20), 50u);  // left, top, right, bottom
    EXPECT_EQ(Get32(w, 0x24), 50u);
    EXPECT_EQ(Get32(w, 0x28), 1010u);
    EXPECT_EQ(Get32(w, 0x2C), 710u);
    EXPECT_EQ(Get32(w, 0x4C), 250u);  // pane width
    EXPECT_EQ(StringAt(strings, Get32(w, 0x60)), "Manual.hhc");
    EXPECT_EQ(Get32(w, 0x64), 0u);  // no index file: the empty string
    EXPECT_EQ(StringAt(strings, Get32(w, 0x68)), "index.html");
    EXPECT_EQ(StringAt(strings, Get32(w, 0x6C)), "index.html");
    EXPECT_EQ(Get32(w, 0x70), 0x384Eu);  // buttons
    // Given: properties, position, pane width, buttons; not given: styles, tab position.
    EXPECT_EQ(Get32(w, 0x0C), 0x2u | 0x10u | 0x20u | 0x100u);
    // Each topic's title stands in #STRINGS.
    std::string topics;
    ASSERT_TRUE(reader.Read("/#TOPICS", topics));
    ASSERT_EQ(topics.size(), 3u * 16u);
    EXPECT_EQ(StringAt(strings, Get32(topics, 16 + 4)), S("東京の案内"));
}

TEST(BuiltinCompilerTest, AFileThatCannotBeReadStopsTheCompileByNameAndKeepsTheOldHelpFile) {
    Project p;
    AddJapanesePages(p);
    p.WriteProject(S(kWindow));
    ASSERT_TRUE(p.Compile()) << p.error;
    const std::string before = ReadFileBytes(p.Chm());

    // A page (read whole) and a picture (read in pieces).
    for (const char* name : {"osaka.html", "logo.png"}) {
        SCOPED_TRACE(name);
        const std::string bytes = ReadFileBytes(p.folder / name);
        std::filesystem::remove(p.folder / name);
        EXPECT_FALSE(p.Compile());
        EXPECT_THAT(p.error, HasSubstr(std::string("[") + name + "]"));
        EXPECT_TRUE(ReadFileBytes(p.Chm()) == before);
        WriteFileBytes(p.folder / name, bytes);
    }
    std::filesystem::remove(p.folder / "osaka.html");
    for (const auto& entry : std::filesystem::directory_iterator(p.folder)) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos);
    }

    // A name that leaves the folder is refused, not read.
    WriteFileBytes(p.dir / "secret.html", "<html>secret</html>");
    p.files = {"index.html", "../secret.html"};
    p.WriteProject(S(kWindow));
    EXPECT_FALSE(p.Compile());
    EXPECT_THAT(p.error, HasSubstr("[../secret.html]"));
    EXPECT_TRUE(ReadFileBytes(p.Chm()) == before);
}

bool HasTemporaryFiles(const std::filesystem::path& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (IsTemporaryFileName(entry.path().filename().string())) return true;
        if (entry.path().filename().string().find(".tmp") != std::string::npos) return true;
    }
    return false;
}

// A cancel stops the compile on a site big enough to take a while: the old help file stays,
// nothing half written is left, no error is reported and the log never says it was done.
// The callbacks all come on the thread that called Compile (the window's thread).
TEST(BuiltinCompilerTest, ACancelKeepsTheOldHelpFileAndLeavesNoTemporaryFile) {
    Project p;
    AddGeneratedSite(p, 2500);
    p.WriteProject(S(kWindow));
    WriteFileBytes(p.Chm(), "previous help file");
    const std::string all = std::to_string(p.files.size() + 1);
    struct Case {
        const char* name;
        std::function<bool(const std::vector<std::string>& log, int asked)> cancel;
    };
    const Case cases[] = {
        {"at the first question", [](const auto&, int) { return true; }},
        {"after the first progress line", [](const auto& log, int) { return !log.empty(); }},
        {"after some waiting", [](const auto&, int asked) { return asked > 3; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::thread::id caller = std::this_thread::get_id();
        std::set<std::thread::id> threads;
        std::vector<std::string> log;
        int asked = 0, waited = 0;
        CBuiltinCompiler compiler;
        compiler.SetThreads(2);
        compiler.SetLog([&](const std::string& line) {
            threads.insert(std::this_thread::get_id());
            log.push_back(line);
        });
        compiler.SetWaiting([&] {
            threads.insert(std::this_thread::get_id());
            ++waited;
        });
        compiler.SetCancel([&] {
            threads.insert(std::this_thread::get_id());
            return c.cancel(log, ++asked);
        });
        std::string error = "untouched";
        EXPECT_FALSE(compiler.Compile(FromNativePath(p.folder) + "/", "Manual.hhp", error));
        EXPECT_TRUE(compiler.WasCancelled());
        EXPECT_EQ(error, "");
        EXPECT_EQ(ReadFileBytes(p.Chm()), "previous help file");
        EXPECT_FALSE(HasTemporaryFiles(p.folder));
        for (const std::string& line : log) EXPECT_THAT(line, Not(HasSubstr(all + " / " + all)));
        EXPECT_EQ(threads, std::set<std::thread::id>{caller});
        EXPECT_GE(waited, 1);
    }

    // Not cancelled, the same compiler object then makes the help file.
    CBuiltinCompiler compiler;
    compiler.SetCancel([] { return false; });
    std::string error;
    ASSERT_TRUE(compiler.Compile(FromNativePath(p.folder) + "/", "Manual.hhp", error)) << error;
    EXPECT_FALSE(compiler.WasCancelled());
    CChmFileReader reader;
    ASSERT_TRUE(reader.Open(FromNativePath(p.Chm())));
    std::string page;
    ASSERT_TRUE(reader.Read("/default.css", page));
    EXPECT_FALSE(HasTemporaryFiles(p.folder));
}

// Through the help creator, as the build runs it: a cancel is no failure to report.
TEST(BuiltinCompilerTest, HelpCreatorPassesTheCancelOn) {
    Project p;
    AddGeneratedSite(p, 300);
    WriteFileBytes(p.Chm(), "previous help file");
    CHelpNode root("Manual", "index.html");
    CHelpCreator creator;
    creator.SetFolder(FromNativePath(p.folder));
    creator.SetBaseName("Manual");
    creator.SetCompilerPath(CHelpCreator::kBuiltinCompiler);
    std::vector<std::string> errors;
    creator.SetErrorReport([&](const std::string& text) { errors.push_back(text); });
    creator.SetCancel([] { return true; });
    EXPECT_FALSE(creator.Create(&root, p.files));
    EXPECT_TRUE(creator.WasCancelled());
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(ReadFileBytes(p.Chm()), "previous help file");
    EXPECT_FALSE(HasTemporaryFiles(p.folder));
}

TEST(BuiltinCompilerTest, HelpCreatorRunsItWhenChosen) {
    Project p;
    AddJapanesePages(p);
    CHelpNode root("Manual", "index.html");
    CHelpCreator creator;
    creator.SetFolder(FromNativePath(p.folder));
    creator.SetBaseName("Manual");
    creator.SetCompilerPath(CHelpCreator::kBuiltinCompiler);
    creator.SetLog([&](const std::string& line) { p.log.push_back(line); });
    std::string error;
    creator.SetErrorReport([&](const std::string& text) { error = text; });
    ASSERT_TRUE(creator.Create(&root, p.files)) << error;
    EXPECT_THAT(p.log,
                testing::Contains(HasSubstr(S("日本語の全文検索を作成しました（3 ページ、"))));
    EXPECT_THAT(p.log, testing::Contains(HasSubstr(S("ヘルプファイルを作成しました"))));
    // The window the project file defines, read by the same helper as chmcmd's output.
    int count = 0;
    test::ChmWindow window;
    std::string why;
    ASSERT_TRUE(test::ReadChmWindow(p.Chm(), count, window, why)) << why;
    EXPECT_EQ(count, 1);
    EXPECT_EQ(window.strCaption, "Manual");
    EXPECT_EQ(window.strToc, "Manual.hhc");
    EXPECT_EQ(window.nProperties & 0x400, 0x400u);  // the search tab
    auto system = test::ReadChmSystem(p.Chm());
    EXPECT_EQ(system[5], "main");
    EXPECT_EQ(system[16], "MS UI Gothic,9,128");
    CChmFileReader reader;
    ASSERT_TRUE(reader.Open(FromNativePath(p.Chm())));
    std::string page;
    ASSERT_TRUE(reader.Read("/tokyo.html", page));
    EXPECT_TRUE(page == ReadFileBytes(p.folder / "tokyo.html"));
}

}  // namespace
}  // namespace corvane
