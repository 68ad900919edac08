// The help project files byte for byte, and the compile step with the real chmcmd and with
// stand-in compilers that fail.
#include "help/help_creator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/process_runner.h"
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

const std::string kHead =
    "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\r\n<HTML>\r\n<HEAD>\r\n"
    "<meta name=\"GENERATOR\" content=\"Microsoft&reg; HTML Help Workshop 4.1\">\r\n"
    "<!-- Sitemap 1.0 -->\r\n</HEAD><BODY>\r\n<OBJECT type=\"text/site properties\">\r\n"
    "<param name=\"ImageType\" value=\"Folder\">\r\n</OBJECT>\r\n<UL>\r\n";
const std::string kTail = "</UL>\r\n</BODY></HTML>\r\n";

std::string Entry(const std::string& tabs, const std::string& name, const std::string& local) {
    return tabs + "<LI> <OBJECT type=\"text/sitemap\">\r\n" + tabs +
           "\t<param name=\"Name\" value=\"" + name + "\">\r\n" + tabs +
           "\t<param name=\"Local\" value=\"" + local + "\">\r\n" + tabs + "\t</OBJECT>\r\n";
}

struct Creator {
    CHelpCreator creator;
    std::vector<std::string> log;
    std::vector<std::string> errors;
    explicit Creator(const std::filesystem::path& folder, const std::string& base = "Manual") {
        creator.SetFolder(folder.string());
        creator.SetBaseName(base);
        creator.SetLog([this](const std::string& line) { log.push_back(line); });
        creator.SetErrorReport([this](const std::string& text) { errors.push_back(text); });
    }
};

TEST(HelpCreatorTest, ContentsFileNestsEntriesByDepthWithTabs) {
    ScratchDir dir;
    Creator c(dir.path());
    CHelpNode root("Title \"quoted\"", "FrontPage.html");
    auto* a = new CHelpNode("A", "A.html");
    auto* b = new CHelpNode("B", "B.html");
    auto* c1 = new CHelpNode("C<b>1</b>", "C1.html");
    ASSERT_TRUE(root.AddChild(a));
    ASSERT_TRUE(a->AddChild(b));
    ASSERT_TRUE(b->AddChild(c1));
    ASSERT_TRUE(root.AddChild(new CHelpNode("D", "D.html")));
    ASSERT_TRUE(c.creator.WriteContentsFile(&root));

    std::string expected = kHead + Entry("\t", "Title &quot;quoted&quot;", "FrontPage.html") +
                           "\t\t<UL>\r\n" + Entry("\t\t", "A", "A.html") + "\t\t\t<UL>\r\n" +
                           Entry("\t\t\t", "B", "B.html") + "\t\t\t\t<UL>\r\n" +
                           Entry("\t\t\t\t", "C&lt;b&gt;1&lt;/b&gt;", "C1.html") +
                           "\t\t\t\t</UL>\r\n" + "\t\t\t</UL>\r\n" + Entry("\t\t", "D", "D.html") +
                           "\t\t</UL>\r\n" + kTail;
    EXPECT_EQ(ReadFileBytes(dir / "Manual.hhc"), expected);

    // A tree of the root alone has no list of its own.
    CHelpNode alone("T", "index.html");
    ASSERT_TRUE(c.creator.WriteContentsFile(&alone));
    EXPECT_EQ(ReadFileBytes(dir / "Manual.hhc"), kHead + Entry("\t", "T", "index.html") + kTail);
}

TEST(HelpCreatorTest, ProjectFileListsOnlyFilesThatLieInTheFolder) {
    ScratchDir dir;
    Creator c(dir.path());
    WriteFileBytes(dir / "FrontPage.html", "x");
    WriteFileBytes(dir / "img.png", "x");
    WriteFileBytes(dir.path().parent_path() / "outside.html", "x");
    std::filesystem::create_directory(dir / "sub");
    // Pages named in Japanese (\x83\x77\x83\x8b\x83\x76 is ヘルプ): chmcmd opens the listed bytes,
    // so a file under the UTF-8 form of the name would be missing for it.
    WriteFileBytes(dir / "\xe3\x83\x98\xe3\x83\xab\xe3\x83\x97.html", "x");
    WriteFileBytes(dir /
                       "\x83\x77\x83\x8b\x83\x76"
                       "2.html",
                   "x");
    CHelpNode root("Sample \x93\xfa\x96{", "FrontPage.html");
    std::vector<std::string> files = {"FrontPage.html",
                                      "img.png",
                                      "Missing.html",
                                      "http://example.com/?Refused",
                                      "file:///etc/passwd",
                                      "about:blank",
                                      "../outside.html",
                                      "sub",
                                      "img.png",
                                      "\x83\x77\x83\x8b\x83\x76.html",
                                      "\x83\x77\x83\x8b\x83\x76"
                                      "2.html"};
    ASSERT_TRUE(c.creator.WriteProjectFile(&root, files));
    std::filesystem::remove(dir.path().parent_path() / "outside.html");

    EXPECT_EQ(ReadFileBytes(dir / "Manual.hhp"),
              "[OPTIONS]\r\nCompatibility=1.1 or later\r\nCompiled file=Manual.chm\r\n"
              "Contents file=Manual.hhc\r\nDefault Font=MS UI Gothic,9,128\r\n"
              "Default Window=main\r\nDefault topic=FrontPage.html\r\n"
              "Display compile progress=No\r\nFull-text search=Yes\r\n"
              "Language=0x411 \x93\xfa\x96\x7b\x8c\xea\r\nTitle=Sample \x93\xfa\x96{\r\n\r\n"
              "[WINDOWS]\r\nmain=\"Sample \x93\xfa\x96{\",\"Manual.hhc\",\"\",\"FrontPage.html\","
              "\"FrontPage.html\",,,,,0x40520,250,0x384E,[50,50,1010,710],,,,,,,0\r\n\r\n"
              "[FILES]\r\nFrontPage.html\r\nimg.png\r\n\x83\x77\x83\x8b\x83\x76"
              "2.html\r\n"
              "\r\n[INFOTYPES]\r\n");
    // Each left-out name is logged once with its name.
    ASSERT_EQ(c.log.size(), 7u);
    EXPECT_THAT(c.log[0], HasSubstr("[Missing.html]"));
    EXPECT_THAT(c.log[5], HasSubstr("[sub]"));
    EXPECT_THAT(c.log[6], HasSubstr("[\x83\x77\x83\x8b\x83\x76.html]"));

    ASSERT_TRUE(c.creator.WriteProjectFile(&root, {}));
    EXPECT_THAT(ReadFileBytes(dir / "Manual.hhp"), HasSubstr("[FILES]\r\n\r\n[INFOTYPES]\r\n"));
}

TEST(HelpCreatorTest, WritersRefuseAnEmptyBaseNameOrFolderAndCreateMissingFolders) {
    ScratchDir dir;
    CHelpNode root("T", "a.html");
    Creator noName(dir.path(), "");
    EXPECT_FALSE(noName.creator.WriteContentsFile(&root));
    EXPECT_FALSE(noName.creator.Create(&root, {}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    // An empty folder stays empty: it must never turn into the root folder.
    CHelpCreator noFolder;
    noFolder.SetBaseName("Manual");
    noFolder.SetFolder("");
    EXPECT_EQ(noFolder.GetFolder(), "");
    EXPECT_FALSE(noFolder.WriteProjectFile(&root, {}));

    Creator nested(dir / "a b" / "c");
    EXPECT_TRUE(nested.creator.WriteContentsFile(&root));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "a b" / "c" / "Manual.hhc"));
}

// Pages, an image and a contents tree in a folder whose path holds a blank.
struct SampleProject {
    ScratchDir dir;
    std::filesystem::path folder = dir / "out put";
    CHelpNode root{"Sample", "FrontPage.html"};
    std::vector<std::string> files = {"FrontPage.html", "Guide.html", "logo.png"};
    SampleProject() {
        std::filesystem::create_directory(folder);
        WriteFileBytes(folder / "FrontPage.html",
                       "<html><head><title>Front</title></head><body>"
                       "<a href=\"Guide.html\">Guide</a></body></html>");
        WriteFileBytes(folder / "Guide.html",
                       "<html><head><title>Guide</title></head><body>Guide text</body></html>");
        WriteFileBytes(folder / "logo.png", std::string("\x89PNG\r\n\x1a\n", 8));
        // For the tests that compile without writing the project first.
        WriteFileBytes(folder / "Manual.hhp", "[OPTIONS]\r\nCompiled file=Manual.chm\r\n");
        root.AddChild(new CHelpNode("Guide", "Guide.html"));
    }
};

std::string ListChm(const std::filesystem::path& chm) {
    CProcessRun run;
    run.args = {"chmls", "list", chm.string()};
    run.bCaptureOutput = true;
    EXPECT_EQ(RunProgram(run), 1);
    return run.strOutput;
}

TEST(HelpCreatorTest, ChmcmdCompilesTheProjectInAFolderWithBlanks) {
    SampleProject p;
    Creator c(p.folder);
    c.creator.SetCompilerPath("chmcmd");
    ASSERT_TRUE(c.creator.Create(&p.root, p.files)) << (c.errors.empty() ? "" : c.errors[0]);
    EXPECT_TRUE(c.errors.empty());
    const std::string listing = ListChm(p.folder / "Manual.chm");
    EXPECT_THAT(listing, HasSubstr("/FrontPage.html"));
    EXPECT_THAT(listing, HasSubstr("/Guide.html"));
    EXPECT_THAT(listing, HasSubstr("/logo.png"));
    EXPECT_THAT(listing, HasSubstr("/Manual.hhc"));
    EXPECT_THAT(c.log.back(), HasSubstr("Manual.chm]"));
}

// The window the viewer opens, as chmcmd compiles it: its tabs follow the search and index
// settings, its caption is the title (a double quote, which the definition cannot hold,
// turned into a single one), and the help file names it and the font as its defaults.
TEST(HelpCreatorTest, CompiledHelpFileCarriesTheViewersWindowAndFont) {
    struct Case {
        bool bSearch;
        bool bIndex;
    };
    for (const Case& k : {Case{true, false}, Case{false, false}, Case{true, true}}) {
        SCOPED_TRACE(testing::Message() << "search " << k.bSearch << " index " << k.bIndex);
        SampleProject p;
        p.root.SetName("Sample \"\x93\xfa\x96{\"");
        Creator c(p.folder);
        c.creator.SetCompilerPath("chmcmd");
        c.creator.SetFullTextSearch(k.bSearch);
        c.creator.SetKeywordIndex(k.bIndex);
        ASSERT_TRUE(c.creator.Create(&p.root, p.files)) << (c.errors.empty() ? "" : c.errors[0]);

        int count = 0;
        test::ChmWindow window;
        std::string why;
        ASSERT_TRUE(test::ReadChmWindow(p.folder / "Manual.chm", count, window, why)) << why;
        EXPECT_EQ(count, 1);
        EXPECT_EQ(window.strName, "main");
        EXPECT_EQ(window.strCaption, "Sample '\x93\xfa\x96{'");
        EXPECT_EQ(window.strToc, "Manual.hhc");
        EXPECT_EQ(window.strIndex, k.bIndex ? "Manual.hhk" : "");
        EXPECT_EQ(window.strFile, "FrontPage.html");
        EXPECT_EQ(window.strHome, "FrontPage.html");
        EXPECT_EQ(window.nProperties & 0x20, 0x20u);  // tri-pane
        EXPECT_EQ((window.nProperties & 0x400) != 0, k.bSearch);
        EXPECT_EQ(window.nButtons, 0x384Eu);  // pane, back, forward, home, sync, options, print
        EXPECT_EQ(window.nNotExpanded, 0u);   // the navigation pane is open
        EXPECT_GT(window.nRight - window.nLeft, 800);
        EXPECT_GT(window.nBottom - window.nTop, 600);
        EXPECT_GT(window.nNavWidth, 150);

        std::map<int, std::string> system = test::ReadChmSystem(p.folder / "Manual.chm");
        EXPECT_EQ(system[5], "main");                 // default window
        EXPECT_EQ(system[16], "MS UI Gothic,9,128");  // default font, Shift_JIS charset
        EXPECT_EQ(system[0], "Manual.hhc");
        const std::string fts = system[4];
        ASSERT_GE(fts.size(), 12u);
        EXPECT_EQ(fts[8] != 0, k.bSearch);  // full-text search flag
    }
}

// What a stand-in chmcmd does to write the help file its project ($2) names.
const std::string kWriteHelpFile =
    "out=$(sed -n 's/^Compiled file=//p' \"$2\" | tr -d '\\r'); echo built > \"$out\"";

std::string WriteScript(const std::filesystem::path& path, const std::string& body) {
    WriteFileBytes(path, "#!/bin/sh\n" + body + "\n");
    chmod(path.c_str(), 0755);
    return path.string();
}

TEST(HelpCreatorTest, FailingCompilersAreReportedAndKeepThePreviousHelpFile) {
    SampleProject p;
    WriteFileBytes(p.folder / "Manual.chm", "previous");

    // Exit 0 without writing a help file: chmcmd does this for a missing project.
    Creator silent(p.folder);
    silent.creator.SetCompilerPath(
        WriteScript(p.dir / "quiet compiler", "echo \"Can't find project file $2\""));
    EXPECT_FALSE(silent.creator.Create(&p.root, p.files));
    ASSERT_EQ(silent.errors.size(), 1u);
    // ヘルプのコンパイルに失敗しました
    EXPECT_THAT(silent.errors[0], HasSubstr(Utf8ToSjis("コンパイルに失敗")));
    EXPECT_THAT(silent.errors[0], HasSubstr("Can't find project file Manual.hhp"));

    Creator crashing(p.folder);
    crashing.creator.SetCompilerPath(
        WriteScript(p.dir / "crash", "echo 'Error: broken page' >&2; exit 217"));
    EXPECT_EQ(crashing.creator.Compile(), 0);
    ASSERT_EQ(crashing.errors.size(), 1u);
    EXPECT_THAT(crashing.errors[0], HasSubstr(" 217"));
    EXPECT_THAT(crashing.log, ::testing::Contains("Error: broken page"));
    EXPECT_EQ(ReadFileBytes(p.folder / "Manual.chm"), "previous");

    Creator missing(p.folder);
    missing.creator.SetCompilerPath((p.dir / "no such compiler").string());
    EXPECT_EQ(missing.creator.Compile(), 0);
    ASSERT_EQ(missing.errors.size(), 1u);
    EXPECT_THAT(missing.errors[0], HasSubstr("[" + (p.dir / "no such compiler").string() + "]"));
}

// The window waits for the compiler on its own thread: it is called back now and then
// until the compiler ends, and the compiler's output and exit code still arrive whole.
TEST(HelpCreatorTest, WaitingCallbackRunsWhileTheCompilerWorks) {
    SampleProject p;
    Creator slow(p.folder);
    int calls = 0;
    slow.creator.SetWaiting([&] { ++calls; });
    slow.creator.SetCompilerPath(WriteScript(
        p.dir / "slow compiler", "sleep 0.4; echo 'Error: late line'; " + kWriteHelpFile));
    EXPECT_EQ(slow.creator.Compile(), 1);
    EXPECT_GE(calls, 3);
    EXPECT_THAT(slow.log, ::testing::Contains("Error: late line"));

    // Without captured output the process is watched the same way.
    CProcessRun run;
    int ticks = 0;
    run.args = {"/bin/sh", "-c", "sleep 0.3; exit 3"};
    run.bDiscardOutput = true;
    run.fnWaiting = [&] { ++ticks; };
    run.nWaitingMs = 20;
    ASSERT_EQ(RunProgram(run), 1);
    EXPECT_EQ(run.nExitCode, 3);
    EXPECT_GE(ticks, 5);
}

TEST(HelpCreatorTest, WorkshopCompilerSucceedsWithANonZeroExitCode) {
    SampleProject p;
    std::filesystem::create_directory(p.dir / "bin");
    Creator ok(p.folder);
    // The Workshop's compiler gets the full path of a project in the output folder; record
    // what it was given, and write the help file that project names.
    ok.creator.SetCompilerPath(WriteScript(
        p.dir / "bin" / "HHC.EXE",
        "echo \"$1\" > ../args.txt; out=$(sed -n 's/^Compiled file=//p' \"$1\" | tr -d '\\r');"
        " echo built > \"$out\"; exit 1"));
    EXPECT_EQ(ok.creator.Compile(), 1);
    EXPECT_TRUE(ok.errors.empty());
    std::string args = ReadFileBytes(p.dir / "args.txt");
    if (!args.empty() && args.back() == '\n') args.pop_back();
    const std::filesystem::path given = args;
    EXPECT_EQ(given.parent_path(), p.folder);
    EXPECT_EQ(given.extension(), ".hhp");
    EXPECT_EQ(ReadFileBytes(p.folder / "Manual.chm"), "built\n");
    // The Workshop indexes Japanese itself: its help file is not rewritten.
    ASSERT_FALSE(ok.log.empty());
    EXPECT_THAT(ok.log.back(), HasSubstr("Manual.chm]"));
    for (const std::string& line : ok.log) {
        EXPECT_THAT(line, ::testing::Not(HasSubstr(Utf8ToSjis("全文検索")))) << line;
    }

    Creator failed(p.folder);
    failed.creator.SetCompilerPath(WriteScript(p.dir / "bin" / "hhc.exe", "exit 0"));
    EXPECT_EQ(failed.creator.Compile(), 0);
    EXPECT_EQ(failed.errors.size(), 1u);
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// The help file is handed to the desktop's opener only when asked, and an opener that fails
// leaves a log line, not a failed build.
TEST(HelpCreatorTest, OpensTheHelpFileWithTheDesktopOpenerWhenAsked) {
    SampleProject p;
    const std::filesystem::path bin = p.dir / "opener bin";
    std::filesystem::create_directory(bin);
    const std::string compiler = WriteScript(p.dir / "compiler", kWriteHelpFile);
    const std::string savedPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (bin.string() + ":" + savedPath).c_str(), 1);

    WriteScript(bin / "xdg-open", "echo \"$1\" > \"" + (p.dir / "opened.txt").string() + "\"");
    Creator opened(p.folder);
    opened.creator.SetCompilerPath(compiler);
    opened.creator.SetOpenResult(true);
    EXPECT_EQ(opened.creator.Compile(), 1);
    EXPECT_EQ(ReadFileBytes(p.dir / "opened.txt"), (p.folder / "Manual.chm").string() + "\n");

    WriteScript(bin / "xdg-open", "exit 3");
    Creator refused(p.folder);
    refused.creator.SetCompilerPath(compiler);
    refused.creator.SetOpenResult(true);
    EXPECT_EQ(refused.creator.Compile(), 1);
    EXPECT_TRUE(refused.errors.empty());
    // ヘルプファイルを開けませんでした
    EXPECT_THAT(refused.log.back(), HasSubstr(Utf8ToSjis("開けません")));

    setenv("PATH", savedPath.c_str(), 1);
}

// The value attributes of every "param" element named `name` in a sitemap file, as an HTML
// parser reads them (references decoded).
void CollectValues(xmlNodePtr node, const std::string& name, std::vector<std::string>& values) {
    for (; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        if (xmlStrcmp(node->name, BAD_CAST "param") == 0) {
            xmlChar* n = xmlGetProp(node, BAD_CAST "name");
            xmlChar* v = xmlGetProp(node, BAD_CAST "value");
            if (n && v && name == reinterpret_cast<const char*>(n)) {
                values.push_back(Utf8ToSjis(reinterpret_cast<const char*>(v)));
            }
            xmlFree(n);
            xmlFree(v);
        }
        CollectValues(node->children, name, values);
    }
}

std::vector<std::string> SitemapValues(const std::string& file, const std::string& name) {
    std::vector<std::string> values;
    htmlDocPtr doc = htmlReadMemory(file.data(), static_cast<int>(file.size()), nullptr, "CP932",
                                    HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    if (doc == nullptr) return values;
    CollectValues(xmlDocGetRootElement(doc), name, values);
    xmlFreeDoc(doc);
    return values;
}

// Names and titles that hold the characters of the formats they are written into: each
// stays one value of the sitemap files and one line of the project file.
TEST(HelpCreatorTest, NamesAndTitlesStayInsideTheirValuesAndLines) {
    ScratchDir dir;
    Creator c(dir.path());
    c.creator.SetKeywordIndex(true);
    // Help pages as the page filter writes them: the title escaped once.
    const std::vector<std::pair<std::string, std::string>> pages = {
        {"quote.html", "Say \"cheese\" & <smile>"},
        {"amp.html", "A&B > C"},
        {"plain.html", "Plain"},
    };
    std::vector<std::string> files;
    for (const auto& [file, title] : pages) {
        std::string escaped;
        for (char ch : title) {
            escaped += ch == '&'   ? "&amp;"
                       : ch == '<' ? "&lt;"
                       : ch == '>' ? "&gt;"
                       : ch == '"' ? "&quot;"
                                   : std::string(1, ch);
        }
        WriteFileBytes(dir / file, "<html><head><title>" + escaped +
                                       "</title></head><body><h2>x</h2></body></html>");
        files.push_back(file);
    }
    files.push_back("line\nbreak.html");
    WriteFileBytes(dir / "line\nbreak.html", "x");
    CHelpNode root("Manual\n[FILES]\n../../../../etc/passwd", "quote.html");
    root.AddChild(new CHelpNode("He said \"hi\" onclick=\"x", "amp.html"));
    ASSERT_TRUE(c.creator.WriteContentsFile(&root));
    ASSERT_TRUE(c.creator.WriteProjectFile(&root, files));

    // The keyword index reads back as the whole titles.
    const std::string hhk = ReadFileBytes(dir / "Manual.hhk");
    EXPECT_EQ(SitemapValues(hhk, "Name"),
              (std::vector<std::string>{"A&B > C", "Plain", "Say \"cheese\" & <smile>"}));
    EXPECT_EQ(SitemapValues(hhk, "Local"),
              (std::vector<std::string>{"amp.html", "plain.html", "quote.html"}));
    // The contents file: a quote does not end the value.
    const std::string hhc = ReadFileBytes(dir / "Manual.hhc");
    EXPECT_EQ(SitemapValues(hhc, "Name")[1], "He said \"hi\" onclick=\"x");
    EXPECT_THAT(hhc, Not(HasSubstr("\" onclick")));

    // The project file: the title stays on its line, the name with a line break is left out.
    const std::string hhp = ReadFileBytes(dir / "Manual.hhp");
    EXPECT_THAT(hhp, HasSubstr("\r\nTitle=Manual [FILES] ../../../../etc/passwd\r\n"));
    const std::size_t filesAt = hhp.find("[FILES]\r\n");
    ASSERT_NE(filesAt, std::string::npos);
    EXPECT_EQ(hhp.substr(filesAt),
              "[FILES]\r\nquote.html\r\namp.html\r\nplain.html\r\n\r\n"
              "[INFOTYPES]\r\n");
    EXPECT_THAT(c.log.back(), HasSubstr("[line\\x0Abreak.html]"));
}

// A page without a title is listed in the keyword index under its file name, never as an
// empty keyword; files that are no pages are not listed.
TEST(HelpCreatorTest, TheKeywordIndexNamesUntitledPagesByTheirFile) {
    ScratchDir dir;
    Creator c(dir.path());
    c.creator.SetKeywordIndex(true);
    WriteFileBytes(dir / "untitled.html", "<html><body><p>text</p></body></html>");
    WriteFileBytes(dir / "logo.png", "png");
    CHelpNode root("T", "untitled.html");
    ASSERT_TRUE(c.creator.WriteProjectFile(&root, {"untitled.html", "logo.png"}));
    EXPECT_EQ(SitemapValues(ReadFileBytes(dir / "Manual.hhk"), "Name"),
              (std::vector<std::string>{"untitled.html"}));
}

// The start page's file name is a value of the project file too: a line break in it stays
// on the "Default topic" line and inside the window definition's quotes.
TEST(HelpCreatorTest, TheStartPageNameStaysOnItsLines) {
    ScratchDir dir;
    Creator c(dir.path());
    CHelpNode root("T", "Front\r\n[FILES]\x01.html");
    ASSERT_TRUE(c.creator.WriteProjectFile(&root, {}));
    const std::string hhp = ReadFileBytes(dir / "Manual.hhp");
    EXPECT_THAT(hhp, HasSubstr("\r\nDefault topic=Front  [FILES] .html\r\n"));
    EXPECT_THAT(hhp, HasSubstr("\"Front  [FILES] .html\",\"Front  [FILES] .html\",,,,,"));
    EXPECT_EQ(hhp.find("[FILES]\r\n"), hhp.rfind("[FILES]\r\n"));
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

bool HasTemporaryFiles(const std::filesystem::path& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (IsTemporaryFileName(entry.path().filename().string())) return true;
    }
    return false;
}

// The previous help file stays as it was until a new one is complete: a compiler that
// fails half way through its file, or one ended by the cancel, leaves no trace. The
// project file in the folder keeps naming the real help file.
TEST(HelpCreatorTest, APreviousHelpFileSurvivesAFailedOrCancelledCompile) {
    SampleProject p;
    WriteFileBytes(p.folder / "Manual.chm", "previous");
    const std::string halfWritten =
        "out=$(sed -n 's/^Compiled file=//p' \"$2\" | tr -d '\\r'); echo half > \"$out\"; ";

    Creator failing(p.folder);
    failing.creator.SetCompilerPath(WriteScript(p.dir / "failing", halfWritten + "exit 1"));
    EXPECT_FALSE(failing.creator.Create(&p.root, p.files));
    EXPECT_EQ(failing.errors.size(), 1u);
    EXPECT_FALSE(failing.creator.WasCancelled());

    Creator cancelled(p.folder);
    int asked = 0;
    cancelled.creator.SetCancel([&] { return ++asked > 2; });
    // It would run for a minute, and ignores the polite request to end.
    cancelled.creator.SetCompilerPath(
        WriteScript(p.dir / "stubborn", "trap '' TERM; " + halfWritten + "sleep 60"));
    EXPECT_EQ(cancelled.creator.Compile(), 0);
    EXPECT_TRUE(cancelled.creator.WasCancelled());
    EXPECT_TRUE(cancelled.errors.empty());

    // A compile that succeeds but is cancelled before its file is put in place.
    Creator late(p.folder);
    bool lateCancel = false;
    late.creator.SetCancel([&] { return lateCancel; });
    late.creator.SetWaiting([&] { lateCancel = true; });
    late.creator.SetCompilerPath(WriteScript(p.dir / "late", "sleep 0.3; " + kWriteHelpFile));
    EXPECT_EQ(late.creator.Compile(), 0);
    EXPECT_TRUE(late.creator.WasCancelled());

    EXPECT_EQ(ReadFileBytes(p.folder / "Manual.chm"), "previous");
    EXPECT_FALSE(HasTemporaryFiles(p.folder));
    EXPECT_THAT(ReadFileBytes(p.folder / "Manual.hhp"), HasSubstr("Compiled file=Manual.chm\r\n"));

    // The real compiler then replaces it.
    Creator real(p.folder);
    real.creator.SetCompilerPath("chmcmd");
    ASSERT_TRUE(real.creator.Create(&p.root, p.files))
        << (real.errors.empty() ? "" : real.errors[0]);
    EXPECT_THAT(ListChm(p.folder / "Manual.chm"), HasSubstr("/Guide.html"));
    EXPECT_FALSE(HasTemporaryFiles(p.folder));
}

// Links planted where the contents, project or help file goes: that file fails with the
// reason in the log or the error, and whatever the link points to keeps its bytes.
TEST(HelpCreatorTest, LinksInThePlaceOfTheHelpProjectFilesAreNeverFollowed) {
    ScratchDir elsewhere;
    for (const char* compiler : {"chmcmd", CHelpCreator::kBuiltinCompiler})
        for (const char* name : {"Manual.hhc", "Manual.hhp", "Manual.chm"}) {
            SCOPED_TRACE(std::string(compiler) + " " + name);
            SampleProject p;
            std::filesystem::remove(p.folder / "Manual.hhp");
            const std::filesystem::path victim = elsewhere / name;
            WriteFileBytes(victim, "victim");
            std::filesystem::remove(p.folder / name);
            std::filesystem::create_symlink(victim, p.folder / name);
            Creator c(p.folder);
            c.creator.SetCompilerPath(compiler);
            EXPECT_FALSE(c.creator.Create(&p.root, p.files));
            std::string said;
            for (const std::string& line : c.log) said += line + "\n";
            for (const std::string& line : c.errors) said += line + "\n";
            EXPECT_THAT(said, HasSubstr(name + std::string("]: ") + WriteErrorText(ELOOP)));
            EXPECT_TRUE(std::filesystem::is_symlink(p.folder / name));
            EXPECT_EQ(ReadFileBytes(victim), "victim");
            EXPECT_FALSE(HasTemporaryFiles(p.folder));
        }
}

}  // namespace
}  // namespace corvane
