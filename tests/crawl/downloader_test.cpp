#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <csignal>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "convert/cvn_filter.h"
#include "crawl/downloader.h"
#include "crawl/downloader_config.h"
#include "crawl/downloader_listener.h"
#include "crawl/downloader_thread.h"
#include "crawl/failed_links.h"
#include "platform/ascii.h"
#include "platform/atomic_file.h"
#include "support/loopback_server.h"
#include "support/sample_wiki.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

// Keeps every page's outcome and the page list of the end.
class Collector : public CDownloaderListener {
public:
    void OnPageStarted(CWebPage* page) override { started.push_back(page->GetURL()); }
    void OnPageProgressed(CWebPage* page, std::intptr_t bytes) override {
        ++progressed;
        maxProgress = std::max<std::intptr_t>(maxProgress, bytes);
        progressOf[page->GetURL()].push_back(bytes);
        // Progress of a page comes between its start and its end.
        if (results.count(page->GetURL()) ||
            std::find(started.begin(), started.end(), page->GetURL()) == started.end())
            ++progressOutOfPlace;
    }
    void OnPageFinished(CWebPage* page, const CCheckResult& result) override {
        results[page->GetURL()] = result;
    }
    void OnFinished(std::vector<CWebPage*> list, int why) override {
        pages = list;
        reason = why;
        ++finished;
    }
    CWebPage* Page(const std::string& url) const {
        for (CWebPage* page : pages) {
            if (page->GetURL() == url) return page;
        }
        return nullptr;
    }
    std::vector<std::string> started;
    std::map<std::string, CCheckResult> results;
    std::vector<CWebPage*> pages;
    int reason = -1;
    int finished = 0;
    int progressed = 0;
    std::intptr_t maxProgress = 0;
    std::map<std::string, std::vector<std::intptr_t>> progressOf;
    int progressOutOfPlace = 0;
};

// A filter that refuses every URL holding "refused", to see the worker's answer to that.
class RefusingFilter : public CCVNFilter {
public:
    using CCVNFilter::CCVNFilter;
    int BeginPage(const CUrlParts& url, const std::string& preset, int flag, int depth) override {
        if (url.GetText().find("refused") != std::string::npos) return 0;
        return CCVNFilter::BeginPage(url, preset, flag, depth);
    }
};

class DownloaderTest : public ::testing::Test {
protected:
    ~DownloaderTest() override {
        m_downloader.reset();
        DeleteAll(m_collector.pages);
    }

    // A configuration and worker as the build driver makes them, without the pause unless
    // the test sets m_nInterval.
    // `rulesFolder` holds body.txt and replace.txt (the program's own rules by default).
    void Start(std::vector<CWebPage*> pages, int level = 99,
               const std::filesystem::path& rulesFolder = test::SourceDir() / "conf",
               int workers = 1) {
        auto* config = new CDownloaderConfig;
        // Either the argument or the fixture's setting asks for more workers.
        const int threads = std::max(workers, m_nThreads);
        config->m_nThreadCount = threads;
        if (threads > 1) config->SetWaitForNewPages(1);
        config->m_nInterval = m_nInterval;
        config->SetFolder(m_out.path().string() + "/");
        config->SetLevel(level);
        auto* worker = new CDownloaderThread;
        CFetchSettings settings;
        settings.nTimeout = 5000;
        if (m_nMaxPageSize) settings.nMemoryLimit = *m_nMaxPageSize;
        if (m_nMaxFileSize) settings.nSinkLimit = *m_nMaxFileSize;
        worker->SetFetchSettings(settings);
        worker->SetSiteCredentials(m_site);
        auto* filter =
            new RefusingFilter("", "", "Manual", "footer", (rulesFolder / "body.txt").string(),
                               (rulesFolder / "replace.txt").string());
        // The first page is the start page, as in a build.
        if (!pages.empty() && pages.front()->GetLevel() == 0) {
            filter->SetStartUrl(pages.front()->GetURL());
        }
        worker->SetFilter(filter);
        m_downloader->AddListener(&m_collector);
        ASSERT_EQ(m_downloader->Start(pages, worker, config), 1);
    }
    bool RunToEnd(int timeoutMs = 20000) {
        return CMessageQueue::ForCurrentThread()->RunUntil([&] { return m_collector.finished > 0; },
                                                           timeoutMs);
    }
    std::string Output(const std::string& name) { return test::ReadFileBytes(m_out / name); }
    bool Written(const std::string& name) { return std::filesystem::exists(m_out / name); }

    int m_nThreads = 1;
    CSiteCredentials m_site;
    std::optional<std::uint64_t> m_nMaxPageSize, m_nMaxFileSize;
    int m_nInterval = 0;  // the pause before each page, ms
    test::ScratchDir m_out;
    Collector m_collector;
    std::unique_ptr<CDownloader> m_downloader = std::make_unique<CDownloader>();
};

TEST_F(DownloaderTest, SampleWikiIsFetchedOnceEachAndWrittenUnderItsLocalNames) {
    test::LoopbackServer server;
    test::SampleWiki wiki(test::SampleWiki::DefaultFolder());
    wiki.Install(server.Server());
    server.Start();

    Start({new CWebPage(server.Url("/?FrontPage"))});
    ASSERT_TRUE(RunToEnd(60000));
    EXPECT_EQ(m_collector.reason, 0);

    // Every URL once.
    std::multiset<std::string> targets;
    for (const auto& request : server.Requests()) targets.insert(request.target);
    for (const std::string& target : targets) EXPECT_EQ(targets.count(target), 1u) << target;

    // The attachment plug-in's information and list pages stay out; the attachments and
    // the image shown through "ref" are there.
    for (const std::string& target : targets) {
        EXPECT_EQ(target.find("pcmd=info"), std::string::npos) << target;
        EXPECT_EQ(target.find("pcmd=list"), std::string::npos) << target;
        EXPECT_EQ(target.find("cmd=edit"), std::string::npos) << target;
    }
    for (const char* file : {"FrontPage_manual.pdf", "ProjectForm2FGeneralTab_main-general.png",
                             "E8A1A8E7A4BA_main-running.png"}) {
        EXPECT_TRUE(Written(file)) << file;
    }
    // Pages, the style sheet, images and the attachment all came, each written under the
    // name its page carries.
    for (const char* target : {"/?FrontPage", "/?ProjectForm", "/?ProjectForm/GeneralTab",
                               "/?RuleFiles", "/skin/pukiwiki.css"}) {
        EXPECT_EQ(targets.count(target), 1u) << target;
    }
    int images = 0, attachments = 0, written = 0;
    for (CWebPage* page : m_collector.pages) {
        const CCheckResult& result = m_collector.results[page->GetURL()];
        if (result.m_nStatus != CHECK_OK) continue;
        images += page->GetKind() == LinkKind::Image;
        attachments += page->GetURL().find("plugin=attach") != std::string::npos;
        ASSERT_FALSE(page->GetLocalName().empty()) << page->GetURL();
        EXPECT_TRUE(Written(page->GetLocalName())) << page->GetLocalName();
        EXPECT_EQ(page->GetLocalName().find('#'), std::string::npos);
        ++written;
    }
    EXPECT_GT(images, 0);
    EXPECT_GT(attachments, 0);
    EXPECT_GT(written, 15);
    // A converted page is the help page, not the wiki's page.
    CWebPage* top = m_collector.Page(server.Url("/?FrontPage"));
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->GetLevel(), 0);
    const std::string html = Output(top->GetLocalName());
    EXPECT_NE(html.find("footer"), std::string::npos);
    EXPECT_EQ(html.find("<div id=\"navigator\""), std::string::npos);
    // Download progress reached the listener too.
    EXPECT_GT(m_collector.progressed, 0);
    EXPECT_GT(m_collector.maxProgress, 1024);
    EXPECT_EQ(m_collector.started.size(), m_collector.results.size());
    // Page counts grow as links are found.
    EXPECT_EQ(m_collector.results[top->GetURL()].m_nPageCount > 1, true);
}

TEST_F(DownloaderTest, SampleWikiOverIpv6) {
    test::LoopbackServer server;
    test::SampleWiki wiki(test::SampleWiki::DefaultFolder());
    wiki.Install(server.Server());
    if (!server.TryStart("::1")) GTEST_SKIP() << "this machine has no IPv6 loopback (::1)";

    Start({new CWebPage(server.Url("/?FrontPage"))});
    ASSERT_TRUE(RunToEnd(60000));
    int fetched = 0;
    for (const auto& [url, result] : m_collector.results) {
        EXPECT_EQ(result.m_nStatus, CHECK_OK) << url << " " << result.m_strError;
        EXPECT_EQ(url.rfind("http://[::1]:", 0), 0u) << url;
        ++fetched;
    }
    EXPECT_GT(fetched, 20);
    EXPECT_NE(Output("FrontPage.html").find("<h2>Manual</h2>"), std::string::npos);
    EXPECT_TRUE(Written("ProjectForm2FGeneralTab_main-general.png"));
}

// A small wiki of hand-written pages: the site under test for statuses and credentials.
class SmallWikiTest : public DownloaderTest {
protected:
    void SetUp() override {
        test::WriteFileBytes(m_rules / "body.txt", "<div id=\"body\">(.*?)</div>\n");
        test::WriteFileBytes(m_rules / "replace.txt", "");
    }
    static std::string Page(const std::string& body) {
        return "<html><head><title>t</title><link rel=\"stylesheet\" href=\"skin/s.css\">"
               "</head><body><div id=\"body\">" +
               body + "</div></body></html>";
    }
    void Serve(const std::string& query, int status, const std::string& body,
               const std::string& type = "text/html", const std::string& location = "") {
        m_pages[query] = {status, body, type, location};
    }
    void Install(test::LoopbackServer& server, bool needAuth) {
        server.Get(
            ".*", [this, needAuth, &server](const httplib::Request& req, httplib::Response& res) {
                // "?Page" for the wiki's pages, the path for anything else.
                const std::string key =
                    req.target.rfind("/?", 0) == 0 ? req.target.substr(1) : req.target;
                const bool local = req.get_header_value("Host").rfind("localhost", 0) == 0;
                if (needAuth && !local && !req.has_header("Authorization")) {
                    res.status = 401;
                    res.set_header("WWW-Authenticate", "Basic realm=\"wiki\"");
                    res.set_content("no", "text/plain");
                    return;
                }
                if (key == m_strSlowKey) {
                    m_bInSlow = true;
                    server.Sleep(20000);
                }
                if (key == m_strDripKey) {
                    // m_nDripBytes in 4 KB pieces, a short pause before each; endless with 0.
                    if (m_nDripBytes == 0) {
                        res.set_chunked_content_provider(
                            "application/octet-stream", [&server](size_t, httplib::DataSink& sink) {
                                const std::string piece(4096, 'e');
                                return server.Sleep(1) && sink.write(piece.data(), piece.size());
                            });
                        return;
                    }
                    res.set_content_provider(
                        m_nDripBytes, "application/octet-stream",
                        [this, &server](size_t offset, size_t, httplib::DataSink& sink) {
                            if (!server.Sleep(m_nDripPauseMs)) return false;
                            const std::string piece(std::min<size_t>(4096, m_nDripBytes - offset),
                                                    static_cast<char>('a' + offset / 4096 % 26));
                            return sink.write(piece.data(), piece.size());
                        });
                    return;
                }
                auto it = m_pages.find(key);
                if (it == m_pages.end()) {
                    res.status = 404;
                    return;
                }
                res.status = it->second.status;
                if (!it->second.location.empty()) res.set_header("Location", it->second.location);
                res.set_content(it->second.body, it->second.type);
            });
    }
    struct Answer {
        int status;
        std::string body;
        std::string type;
        std::string location;
    };
    std::map<std::string, Answer> m_pages;
    std::string m_strSlowKey;  // the page whose answer stalls
    std::string m_strDripKey;  // the file that comes in small pieces
    std::size_t m_nDripBytes = 0;
    int m_nDripPauseMs = 3;
    std::atomic<bool> m_bInSlow{false};
    test::ScratchDir m_rules;
};

TEST_F(SmallWikiTest, EveryOutcomeHasItsStatusAndOnlyGoodNamesAreWritten) {
    test::LoopbackServer server;
    Install(server, false);
    server.Start();
    Serve("?Top", 200,
          Page("<a href=\"./?Foo#bar\">f</a> <a href=\"./?Foo\">g</a>"
               " <a href=\"mailto:me@example.com\">m</a>"));
    Serve("?Foo", 200, Page("foo"));
    Serve("?Raw", 200, "<html><body>no body division</body></html>");
    Serve("?Gone", 404, "gone for good", "text/plain");
    Serve("?Evil", 200, Page("evil"));
    Serve("?Blocked", 200, Page("blocked"));
    std::filesystem::create_directory(m_out / "Blocked.html");  // its file cannot be made

    auto* evil = new CWebPage(server.Url("/?Evil"));
    evil->SetLocalName("../escaped.html");  // a name that would leave the output folder
    Start({new CWebPage(server.Url("/?Top")), new CWebPage("mailto:me@example.com"),
           new CWebPage("about:blank"), new CWebPage(server.Url("/?refused")),
           new CWebPage(server.Url("/?Raw")), new CWebPage(server.Url("/?Gone")), evil,
           new CWebPage(server.Url("/?Blocked"))},
          99, m_rules.path());
    ASSERT_TRUE(RunToEnd());
    auto& results = m_collector.results;

    EXPECT_EQ(results[server.Url("/?Top")].m_nStatus, CHECK_OK);
    EXPECT_EQ(results["mailto:me@example.com"].m_nStatus, DOWNLOAD_BADSCHEME);
    EXPECT_EQ(results["about:blank"].m_nStatus, CHECK_OK);
    EXPECT_EQ(m_collector.Page("about:blank")->GetLocalName(), "about:blank");
    EXPECT_EQ(results[server.Url("/?refused")].m_nStatus, DOWNLOAD_REFUSED);
    EXPECT_EQ(m_collector.Page(server.Url("/?refused"))->GetLocalName(), "");

    // Conversion failed: the raw body is written, the status stays 0.
    EXPECT_EQ(results[server.Url("/?Raw")].m_nStatus, CHECK_OK);
    EXPECT_EQ(Output(m_collector.Page(server.Url("/?Raw"))->GetLocalName()),
              "<html><body>no body division</body></html>");
    // Fetch failed: its status, and the body that came is not a file.
    EXPECT_EQ(results[server.Url("/?Gone")].m_nStatus, CHECK_ERROR);
    EXPECT_EQ(results[server.Url("/?Gone")].m_nHttpStatus, 404);
    EXPECT_FALSE(m_collector.Page(server.Url("/?Gone"))->IsSaved());
    EXPECT_FALSE(Written("Gone.html"));
    EXPECT_TRUE(m_collector.Page(server.Url("/?Foo"))->IsSaved());
    EXPECT_TRUE(m_collector.Page(server.Url("/?Foo"))->IsConverted());
    EXPECT_FALSE(m_collector.Page(server.Url("/?Raw"))->IsConverted());

    // The fragment of the first link names no file; both links make one page.
    EXPECT_TRUE(Written("Foo.html"));
    EXPECT_NE(m_collector.Page(server.Url("/?Foo")), nullptr);
    EXPECT_EQ(m_collector.Page(server.Url("/?Foo"))->GetLocalName(), "Foo.html");
    int fooRequests = 0;
    for (const auto& request : server.Requests()) fooRequests += request.target == "/?Foo";
    EXPECT_EQ(fooRequests, 1);
    for (const auto& entry : std::filesystem::directory_iterator(m_out.path())) {
        EXPECT_EQ(entry.path().filename().string().find('#'), std::string::npos);
    }

    // The name that would leave the folder: nothing written there, and the result says so.
    EXPECT_FALSE(std::filesystem::exists(m_out.path().parent_path() / "escaped.html"));
    EXPECT_EQ(results[server.Url("/?Evil")].m_nStatus, CHECK_ERROR);
    EXPECT_EQ(results[server.Url("/?Evil")].m_strError, CDownloaderThread::kUnsafeNameError.str());
    EXPECT_EQ(m_collector.Page(server.Url("/?Evil"))->GetLocalName(), "../escaped.html");
    // A file that could not be written is an error of its page, not a success.
    EXPECT_EQ(results[server.Url("/?Blocked")].m_nStatus, CHECK_ERROR);
    EXPECT_NE(results[server.Url("/?Blocked")].m_strError.find("Blocked.html"), std::string::npos);
}

// Nothing but a 2xx answer is published: the wiki's error page, an image's 404 page, the
// body of a redirect or of a 401, a transfer cut short leave no file, and the pages that
// link to them (converted before or after the failure was known) link to the wiki instead.
TEST_F(SmallWikiTest, OnlyTwoHundredAnswersBecomeFilesAndLinksToTheRestGoToTheWeb) {
    test::LoopbackServer server;
    // Half of the promised bytes, then the connection closes.
    server.Get("/cut.png", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(1000, "image/png", [](size_t, size_t, httplib::DataSink& sink) {
            sink.write(std::string(500, 'p').data(), 500);
            return false;
        });
    });
    Install(server, false);
    server.Start();
    const std::string links =
        "<a href=\"./?Broken\">b</a> <a href=\"./?Moved#part\">m</a> <a href=\"./?Locked\">l</a>"
        " <img src=\"./?plugin=ref&amp;page=Top&amp;src=gone.png\"> <img src=\"cut.png\">"
        " <a href=\"./?Same\">s</a>";
    Serve("?Top", 200, Page(links + " <a href=\"./?Fine\">f</a>"));
    Serve("?Fine", 200, Page("fine " + links));
    Serve("?Broken", 500, "<b>Fatal error</b>: DB password is hunter2", "text/html");
    Serve("?plugin=ref&page=Top&src=gone.png", 404, "<html>not here</html>", "text/html");
    Serve("?Moved", 302, "<a href=\"x\">moved</a>", "text/html", "elsewhere");
    Serve("?Locked", 401, "members only", "text/plain");
    // Nothing asked whether the page changed: a 304 brings no page.
    Serve("?Same", 304, "", "text/html");
    Serve("/skin/s.css", 200, "body {}", "text/css");
    Start({new CWebPage(server.Url("/?Top"))}, 99, m_rules.path());
    ASSERT_TRUE(RunToEnd());

    struct Failed {
        std::string url;
        int status;
    };
    const std::vector<Failed> failed = {
        {server.Url("/?Broken"), 500}, {server.Url("/?Moved"), 302},
        {server.Url("/?Locked"), 401}, {server.Url("/?plugin=ref&page=Top&src=gone.png"), 404},
        {server.Url("/cut.png"), 0},   {server.Url("/?Same"), 304}};
    for (const Failed& f : failed) {
        SCOPED_TRACE(f.url);
        EXPECT_EQ(m_collector.results[f.url].m_nStatus, CHECK_ERROR);
        EXPECT_EQ(m_collector.results[f.url].m_nHttpStatus, f.status);
        const CWebPage* page = m_collector.Page(f.url);
        ASSERT_NE(page, nullptr);
        EXPECT_FALSE(page->IsSaved());
        EXPECT_FALSE(page->GetLocalName().empty());
        EXPECT_FALSE(Written(page->GetLocalName()));
    }
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(m_out.path())) {
        files.insert(entry.path().filename().string());
    }
    EXPECT_EQ(files, (std::set<std::string>{"Top.html", "Fine.html", "s.css"}));

    EXPECT_TRUE(RelinkFailedPages(m_out.path().string() + "/", m_collector.pages).empty());
    const std::string web = server.Url("/");
    const std::string relinked = "<a href=\"" + web + "?Broken\">b</a> <a href=\"" + web +
                                 "?Moved#part\">m</a> <a href=\"" + web +
                                 "?Locked\">l</a> <img src=\"" + web +
                                 "?plugin=ref&amp;page=Top&amp;src=gone.png\"> <img src=\"" + web +
                                 "cut.png\">" + " <a href=\"" + web + "?Same\">s</a>";
    EXPECT_NE(Output("Top.html").find(relinked + " <a href=\"Fine.html\">f</a>"), std::string::npos)
        << Output("Top.html");
    EXPECT_NE(Output("Fine.html").find("fine " + relinked), std::string::npos)
        << Output("Fine.html");
    EXPECT_NE(Output("Top.html").find("href=\"s.css\""), std::string::npos);
}

// The "details" link of an attachment list names the wiki's page about one attached file,
// which the rules leave out: it leads to the file itself when the file comes, and stays a
// link to the wiki when it does not (failed, or excluded too), as other excluded links do.
TEST_F(SmallWikiTest, DetailsOfAnAttachmentLeadToItsFileWhenTheFileCame) {
    test::WriteFileBytes(m_rules / "exclude.txt",
                         test::ReadFileBytes(test::SourceDir() / "conf" / "exclude.txt") +
                             "[?&]file=secret\\.zip(?:&|$)\n");
    test::LoopbackServer server;
    Install(server, false);
    server.Start();
    const std::string info = "./?plugin=attach&amp;pcmd=info&amp;";
    Serve("?Top", 200,
          Page("<a href=\"" + info +
               "file=a.pdf&amp;refer=Top\">1</a>"
               // the parameters in another order; a file that only this link names
               "<a href=\"./?plugin=attach&amp;refer=Top&amp;file=b.png&amp;pcmd=info\">2</a>"
               "<a href=\"" +
               info +
               "file=gone.pdf&amp;refer=Top\">3</a>"
               "<a href=\"" +
               info +
               "file=secret.zip&amp;refer=Top\">4</a>"
               "<a href=\"./?plugin=attach&amp;pcmd=list&amp;refer=Top\">5</a>"
               "<a href=\"./?cmd=edit&amp;page=Top\">6</a>"
               "<a href=\"" +
               info +
               "file=a.pdf\">7</a>"
               "<a href=\"./?plugin=attach&amp;refer=Top&amp;openfile=a.pdf\">8</a>"));
    Serve("?plugin=attach&pcmd=open&file=a.pdf&refer=Top", 200, "%PDF-a", "application/pdf");
    Serve("?plugin=attach&refer=Top&openfile=a.pdf", 200, "%PDF-a", "application/pdf");
    Serve("?plugin=attach&pcmd=open&file=b.png&refer=Top", 200, "PNG-b", "image/png");
    Serve("?plugin=attach&pcmd=open&file=secret.zip&refer=Top", 200, "PK", "application/zip");
    Serve("/skin/s.css", 200, "body {}", "text/css");
    Start({new CWebPage(server.Url("/?Top"))}, 99, m_rules.path());
    ASSERT_TRUE(RunToEnd());
    EXPECT_TRUE(RelinkFailedPages(m_out.path().string() + "/", m_collector.pages).empty());

    const std::string web = server.Url("/?");
    EXPECT_NE(Output("Top.html")
                  .find("<a href=\"Top_a.pdf\">1</a><a href=\"Top_b.png\">2</a>"
                        "<a href=\"" +
                        web +
                        "plugin=attach&amp;pcmd=open&amp;file=gone.pdf&amp;"
                        "refer=Top\">3</a>"
                        "<a href=\"" +
                        web +
                        "plugin=attach&amp;pcmd=info&amp;file=secret.zip&amp;"
                        "refer=Top\">4</a>"
                        "<a href=\"" +
                        web +
                        "plugin=attach&amp;pcmd=list&amp;refer=Top\">5</a>"
                        "<a href=\"" +
                        web +
                        "cmd=edit&amp;page=Top\">6</a>"
                        "<a href=\"" +
                        web +
                        "plugin=attach&amp;pcmd=info&amp;file=a.pdf\">7</a>"
                        "<a href=\"Top_a.pdf\">8</a>"),
              std::string::npos)
        << Output("Top.html");
    EXPECT_EQ(Output("Top_a.pdf"), "%PDF-a");
    EXPECT_EQ(Output("Top_b.png"), "PNG-b");
    // The information pages and the excluded file are never asked for; each file once.
    std::map<std::string, int> asked;
    for (const auto& request : server.Requests()) ++asked[request.target];
    for (const auto& [target, count] : asked) {
        EXPECT_EQ(target.find("pcmd=info"), std::string::npos) << target;
        EXPECT_EQ(target.find("secret"), std::string::npos) << target;
        EXPECT_EQ(target.find("cmd=edit"), std::string::npos) << target;
        EXPECT_EQ(count, 1) << target;
    }
    EXPECT_EQ(asked.count("/?plugin=attach&pcmd=open&file=gone.pdf&refer=Top"), 1u);
}

TEST_F(SmallWikiTest, EachFileIsWrittenByOnePageWhateverTheNumberOfWorkers) {
    test::LoopbackServer server;
    Install(server, false);
    server.Start();
    // PukiWiki 1.5 links its default page as "./"; a site may link its own top page "/".
    Serve("/wiki/index.php?FrontPage", 200,
          Page("start <a href=\"./\">home</a> <a href=\"./index.php#x\">again</a>"
               " <a href=\"/\">site top</a> <a href=\"./?cmd=read&amp;page=Foo\">read</a>"
               " <a href=\"./?Foo\">foo</a> <a href=\"./?Bar\">bar</a>"));
    for (const char* copy : {"/wiki/", "/wiki/index.php", "/"}) Serve(copy, 200, Page("copy"));
    Serve("/wiki/?cmd=read&page=Foo", 200, Page("foo <a href=\"./\">home</a>"));
    Serve("/wiki/?Foo", 200, Page("other foo"));
    Serve("/wiki/?Bar", 200, Page("bar <a href=\"./?cmd=read&amp;page=Foo\">foo</a>"));

    std::map<std::string, std::string> first;
    for (int workers : {1, 4}) {
        SCOPED_TRACE(workers);
        m_downloader = std::make_unique<CDownloader>();
        DeleteAll(m_collector.pages);
        m_collector = Collector();
        std::filesystem::remove_all(m_out.path());
        std::filesystem::create_directories(m_out.path());
        server.ClearRequests();
        Start({new CWebPage(server.Url("/wiki/index.php?FrontPage"))}, 99, m_rules.path(), workers);
        ASSERT_TRUE(RunToEnd());

        std::multiset<std::string> targets;
        for (const auto& request : server.Requests()) targets.insert(request.target);
        EXPECT_EQ(targets, (std::multiset<std::string>{"/wiki/index.php?FrontPage",
                                                       "/wiki/?cmd=read&page=Foo", "/wiki/?Bar",
                                                       "/wiki/skin/s.css"}));
        // The start page's file holds the start page, under the project's heading.
        EXPECT_NE(Output("FrontPage.html").find("<h2>Manual</h2>\nstart"), std::string::npos);
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(m_out.path())) {
            files[entry.path().filename().string()] = test::ReadFileBytes(entry.path());
        }
        EXPECT_EQ(files.size(), 3u);
        EXPECT_NE(files["FrontPage.html"].find("<a href=\"FrontPage.html\">home</a>"),
                  std::string::npos);
        EXPECT_NE(files["Foo.html"].find("foo <a href=\"FrontPage.html\">"), std::string::npos);
        if (workers == 1) {
            first = files;
        } else {
            EXPECT_EQ(files, first);
        }
    }
}

TEST_F(SmallWikiTest, CredentialsGoOnlyToTheStartPagesSite) {
    test::LoopbackServer server;
    Install(server, true);
    server.Start();
    Serve("?Top", 200, Page("<a href=\"./?Sub\">s</a>"));
    Serve("?Sub", 200, Page("sub"));
    Serve("?Else", 200, Page("elsewhere"));

    auto* top = new CWebPage(server.Url("/?Top"));
    m_site = CSiteCredentials::ForStartPage(top->GetURL(), "alice", "secret");
    // The same server under another host name is another site.
    auto* other = new CWebPage(server.Url("/?Else", "localhost"));
    other->SetLevel(1);
    Start({top, other}, 99, m_rules.path());
    ASSERT_TRUE(RunToEnd());

    EXPECT_EQ(m_collector.results[server.Url("/?Top")].m_nStatus, CHECK_OK);
    EXPECT_EQ(m_collector.results[server.Url("/?Sub")].m_nStatus, CHECK_OK);
    EXPECT_EQ(m_collector.results[server.Url("/?Else", "localhost")].m_nStatus, CHECK_OK);
    int authorised = 0;
    for (const auto& request : server.Requests()) {
        const bool local = request.Header("Host").rfind("localhost", 0) == 0;
        const bool sent = !request.Header("Authorization").empty();
        if (local) {
            EXPECT_FALSE(sent) << request.target;
        }
        authorised += sent;
    }
    EXPECT_GE(authorised, 2);  // the start page's retry and the page under it
}

TEST_F(SmallWikiTest, LevelLimitsTheDepthButKeepsTheImagesOfTheDeepestPages) {
    test::LoopbackServer server;
    Install(server, false);
    server.Start();
    Serve("?P0", 200, Page("<a href=\"./?P1\">1</a>"));
    Serve("?P1", 200, Page("<a href=\"./?P2\">2</a><img src=\"pic.png\">"));
    Serve("?P2", 200, Page("<a href=\"./?P3\">3</a>"));
    Serve("/skin/s.css", 200, "p {}", "text/css");
    Start({new CWebPage(server.Url("/?P0"))}, 1, m_rules.path());
    ASSERT_TRUE(RunToEnd());
    std::set<std::string> targets;
    for (const auto& request : server.Requests()) targets.insert(request.target);
    EXPECT_EQ(targets, (std::set<std::string>{"/?P0", "/?P1", "/pic.png", "/skin/s.css"}));
}

TEST_F(SmallWikiTest, EveryPageWaitsForTheIntervalSoTheWikiIsNotHammered) {
    test::LoopbackServer server;
    Install(server, false);
    server.Start();
    Serve("?Top", 200, Page("<a href=\"./?A\">a</a><a href=\"./?B\">b</a>"));
    Serve("?A", 200, Page("a"));
    Serve("?B", 200, Page("b"));
    Serve("/skin/s.css", 200, "p {}", "text/css");
    m_nInterval = 200;
    const auto begin = std::chrono::steady_clock::now();
    Start({new CWebPage(server.Url("/?Top"))}, 99, m_rules.path());
    ASSERT_TRUE(RunToEnd());
    // A lower bound only: a slow machine may take longer, never shorter.
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);  // the pages and the style sheet, one worker
    auto previous = begin;
    for (const auto& request : requests) {
        EXPECT_GE(request.at - previous, 200ms) << request.target;
        previous = request.at;
    }
}

TEST_F(SmallWikiTest, AbortEndsASlowFetchWithoutItsPageEvent) {
    test::LoopbackServer server;
    m_strSlowKey = "?Slow";
    Install(server, false);
    server.Start();
    Serve("?Top", 200, Page("<a href=\"./?Slow\">s</a><a href=\"./?After\">a</a>"));
    Serve("?Slow", 200, Page("late"));
    Serve("?After", 200, Page("after"));
    Start({new CWebPage(server.Url("/?Top"))}, 99, m_rules.path());
    auto queue = CMessageQueue::ForCurrentThread();
    ASSERT_TRUE(queue->RunUntil([&] { return m_bInSlow.load(); }, 10000));
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(m_downloader->Stop(0), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 5s);
    queue->RunUntil([] { return false; }, 100);

    EXPECT_EQ(m_collector.finished, 1);
    EXPECT_EQ(m_collector.reason, 0);
    EXPECT_EQ(m_collector.results.count(server.Url("/?Slow")), 0u);
    EXPECT_EQ(m_collector.results.count(server.Url("/?After")), 0u);
    EXPECT_EQ(m_collector.results.count(server.Url("/?Top")), 1u);
}

TEST_F(SmallWikiTest, ProgressIsThinnedOutGrowsAndEndsAtTheSize) {
    test::LoopbackServer server;
    m_strDripKey = "?plugin=attach&refer=Top&openfile=big.bin";
    m_nDripBytes = 100 * 4096 + 123;
    Install(server, false);
    server.Start();
    Serve("?Top", 200,
          Page("<a href=\"./?plugin=attach&amp;refer=Top&amp;openfile=big.bin\">file</a>" +
               std::string(5000, 'x')));
    Start({new CWebPage(server.Url("/?Top"))}, 99, m_rules.path());
    ASSERT_TRUE(RunToEnd());
    const std::string bigUrl = server.Url("/?plugin=attach&refer=Top&openfile=big.bin");
    ASSERT_EQ(m_collector.results[bigUrl].m_nStatus, CHECK_OK);

    // 101 pieces over at least 300 ms: a handful of events, not one per piece read.
    const auto& big = m_collector.progressOf[bigUrl];
    ASSERT_GE(big.size(), 2u);
    EXPECT_LT(big.size(), 40u);
    EXPECT_TRUE(std::is_sorted(big.begin(), big.end(), std::less_equal<>())) << big.size();
    EXPECT_EQ(big.back(), static_cast<std::intptr_t>(m_nDripBytes));
    // A small page ends at its size too.
    const auto& top = m_collector.progressOf[server.Url("/?Top")];
    ASSERT_FALSE(top.empty());
    EXPECT_GT(top.back(), 5000);
    EXPECT_EQ(m_collector.progressOutOfPlace, 0);
}

TEST_F(SmallWikiTest, EachWorkerKeepsOneConnectionToTheSite) {
    test::LoopbackServer server;
    server.Server().set_keep_alive_max_count(1000);
    server.Server().set_keep_alive_timeout(2);
    Install(server, false);
    server.Start();
    // P0 links P1..P3, each of those three more, and so on: 40 pages, one image each.
    for (int n = 0; n < 40; ++n) {
        std::string body;
        for (int child = 3 * n + 1; child <= 3 * n + 3 && child < 40; ++child) {
            body += "<a href=\"./?P" + std::to_string(child) + "\">c</a>";
        }
        Serve("?P" + std::to_string(n), 200,
              Page(body + "<img src=\"i" + std::to_string(n) + ".png\">"));
        Serve("/i" + std::to_string(n) + ".png", 200, "png", "image/png");
    }
    Serve("/skin/s.css", 200, "p {}", "text/css");

    Start({new CWebPage(server.Url("/?P0"))}, 99, m_rules.path());
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(server.RequestCount(), 81u);
    EXPECT_EQ(server.ConnectionCount(), 1u);

    // Three workers: three connections at most.
    m_downloader = std::make_unique<CDownloader>();
    DeleteAll(m_collector.pages);
    m_collector = Collector();
    server.ClearRequests();
    m_nThreads = 3;
    Start({new CWebPage(server.Url("/?P0"))}, 99, m_rules.path());
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(server.RequestCount(), 81u);
    EXPECT_LE(server.ConnectionCount(), 3u);
}

// Attachments as the wiki serves them: through its script, typed by their Content-Type.
std::string Attachment(const std::string& file) {
    return "?plugin=attach&refer=Top&openfile=" + file;
}

std::string AttachmentLink(const std::string& file) {
    return "<a href=\"./?plugin=attach&amp;refer=Top&amp;openfile=" + file + "\">" + file + "</a>";
}

bool HasPartFiles(const std::filesystem::path& folder) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (IsTemporaryFileName(entry.path().filename().string())) return true;
    }
    return false;
}

TEST_F(SmallWikiTest, FilesThatAreNotConvertedGoStraightToDiskByteForByte) {
    test::LoopbackServer server;
    Install(server, false);
    server.Start();
    std::string data(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 4099);
    Serve("?Top", 200,
          Page(AttachmentLink("data.bin") + AttachmentLink("note.txt") + "<img src=\"pic.png\">"));
    Serve(Attachment("data.bin"), 200, data, "application/octet-stream");
    // Typed as text but looking like a page: saved as it came, not converted.
    Serve(Attachment("note.txt"), 200, Page("<a href=\"./?Hidden\">h</a>"), "text/plain");
    Serve("/pic.png", 200, "\x89PNG", "image/png");
    Serve("?Hidden", 200, Page("hidden"));
    Start({new CWebPage(server.Url("/?Top"))}, 99, m_rules.path());
    ASSERT_TRUE(RunToEnd());

    const CCheckResult& big = m_collector.results[server.Url("/" + Attachment("data.bin"))];
    EXPECT_EQ(big.m_nStatus, CHECK_OK);
    EXPECT_TRUE(big.m_body.empty());  // never held in memory
    EXPECT_EQ(big.m_nContentLength, static_cast<std::int32_t>(data.size()));
    CWebPage* page = m_collector.Page(server.Url("/" + Attachment("data.bin")));
    ASSERT_NE(page, nullptr);
    ASSERT_FALSE(page->GetLocalName().empty());
    EXPECT_TRUE(Output(page->GetLocalName()) == data);

    CWebPage* note = m_collector.Page(server.Url("/" + Attachment("note.txt")));
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(Output(note->GetLocalName()), Page("<a href=\"./?Hidden\">h</a>"));
    EXPECT_EQ(m_collector.Page(server.Url("/?Hidden")), nullptr);
    CWebPage* pic = m_collector.Page(server.Url("/pic.png"));
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(Output(pic->GetLocalName()), "\x89PNG");
    // The page itself is still converted.
    EXPECT_NE(Output(m_collector.Page(server.Url("/?Top"))->GetLocalName()).find("<h2>"),
              std::string::npos);
    EXPECT_FALSE(HasPartFiles(m_out.path()));
}

// Files larger than `bytes` cannot be written by this process while it lives: the write
// fails with EFBIG as it would on a full disk (SIGXFSZ is ignored meanwhile).
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~ScopedFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previous);
    }

private:
    rlimit m_saved{};
    void (*m_previous)(int) = nullptr;
};

// Pages and files that cannot be written fail with the reason and leave the previous run's
// file as it was and no temporary file: a disk that fills up (a file-size limit stands in
// for it), and a symbolic link planted where a file goes, which is never written through.
TEST_F(SmallWikiTest, FilesThatCannotBeWrittenFailTheirPagesAndKeepThePreviousOnes) {
    test::LoopbackServer server;
    Install(server, false);
    server.Start();
    const std::size_t kLimit = 100 * 1024;
    const std::string big(2 * kLimit, 'd');
    Serve("?Top", 200,
          Page("<a href=\"./?Big\">b</a><a href=\"./?Linked\">l</a>" + AttachmentLink("full.bin") +
               AttachmentLink("linked.bin") + AttachmentLink("fine.bin")));
    Serve("?Big", 200, Page(big));
    Serve("?Linked", 200, Page("linked"));
    Serve(Attachment("full.bin"), 200, big, "application/octet-stream");
    Serve(Attachment("linked.bin"), 200, "new", "application/octet-stream");
    Serve(Attachment("fine.bin"), 200, "fine", "application/octet-stream");
    // What the previous run left, and links planted for a page and a streamed file.
    test::WriteFileBytes(m_out / "Big.html", "previous page");
    test::WriteFileBytes(m_out / "Top_full.bin", "previous file");
    test::ScratchDir elsewhere;
    test::WriteFileBytes(elsewhere / "victim", "victim");
    for (const char* name : {"Linked.html", "Top_linked.bin"}) {
        std::filesystem::create_symlink(elsewhere / "victim", m_out / name);
    }
    {
        ScopedFileSizeLimit limit(kLimit);
        Start({new CWebPage(server.Url("/?Top"))}, 99, m_rules.path());
        ASSERT_TRUE(RunToEnd());
    }

    struct Case {
        std::string query, file, reason, left;  // left: what the file holds afterwards
    };
    const std::string tooLarge = WriteErrorText(EFBIG), link = WriteErrorText(ELOOP);
    for (const Case& c :
         std::vector<Case>{{"?Big", "Big.html", tooLarge, "previous page"},
                           {Attachment("full.bin"), "Top_full.bin", tooLarge, "previous file"},
                           {"?Linked", "Linked.html", link, "victim"},
                           {Attachment("linked.bin"), "Top_linked.bin", link, "victim"}}) {
        SCOPED_TRACE(c.query);
        const CCheckResult& result = m_collector.results[server.Url("/" + c.query)];
        EXPECT_EQ(result.m_nStatus, CHECK_ERROR);
        EXPECT_NE(result.m_strError.find(c.file + "]: " + c.reason), std::string::npos)
            << result.m_strError;
        EXPECT_EQ(Output(c.file), c.left);
    }
    EXPECT_TRUE(std::filesystem::is_symlink(m_out / "Linked.html"));
    EXPECT_TRUE(std::filesystem::is_symlink(m_out / "Top_linked.bin"));
    EXPECT_EQ(test::ReadFileBytes(elsewhere / "victim"), "victim");
    EXPECT_FALSE(HasPartFiles(m_out.path()));

    // The other files of the run are not touched by them.
    EXPECT_EQ(m_collector.results[server.Url("/" + Attachment("fine.bin"))].m_nStatus, CHECK_OK);
    EXPECT_EQ(Output("Top_fine.bin"), "fine");
    EXPECT_EQ(m_collector.results[server.Url("/?Top")].m_nStatus, CHECK_OK);
}

TEST_F(SmallWikiTest, PagesAndFilesOverTheirLimitsFailAsTooLargeAndLeaveNothing) {
    test::LoopbackServer server;
    m_strDripKey = Attachment("endless.bin");
    m_nDripBytes = 0;  // never ends
    Install(server, false);
    server.Start();
    Serve("?Top", 200,
          Page("<a href=\"./?Huge\">h</a><a href=\"./?Fits\">f</a>" + AttachmentLink("big.bin") +
               AttachmentLink("small.bin") + AttachmentLink("endless.bin")));
    Serve("?Huge", 200, Page(std::string(300 * 1024, 'h')));
    Serve("?Fits", 200, Page(std::string(90 * 1024, 'f')));
    Serve(Attachment("big.bin"), 200, std::string(600 * 1024, 'b'), "application/pdf");
    Serve(Attachment("small.bin"), 200, std::string(400 * 1024, 's'), "application/pdf");
    m_nMaxPageSize = 100 * 1024;
    m_nMaxFileSize = 500 * 1024;
    Start({new CWebPage(server.Url("/?Top"))}, 99, m_rules.path());
    ASSERT_TRUE(RunToEnd(30000));

    for (const std::string& over :
         {std::string("?Huge"), Attachment("big.bin"), Attachment("endless.bin")}) {
        SCOPED_TRACE(over);
        const CCheckResult& result = m_collector.results[server.Url("/" + over)];
        EXPECT_EQ(result.m_nStatus, CHECK_ERROR);
        EXPECT_EQ(result.m_strError, CHTTPProtocol::TooLargeError());
        EXPECT_TRUE(result.m_body.empty());
        CWebPage* page = m_collector.Page(server.Url("/" + over));
        ASSERT_NE(page, nullptr);
        EXPECT_FALSE(Written(page->GetLocalName()));
    }
    // Just below the limits: fetched and written as usual.
    for (const std::string& fits : {std::string("?Fits"), Attachment("small.bin")}) {
        SCOPED_TRACE(fits);
        EXPECT_EQ(m_collector.results[server.Url("/" + fits)].m_nStatus, CHECK_OK);
        EXPECT_TRUE(Written(m_collector.Page(server.Url("/" + fits))->GetLocalName()));
    }
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_out.path())) {
        files += entry.is_regular_file();
    }
    EXPECT_EQ(files, 3u);  // Top, Fits and small.bin
    EXPECT_FALSE(HasPartFiles(m_out.path()));
}

TEST_F(SmallWikiTest, AbortDuringAStreamedDownloadEndsAtOnceAndKeepsNoPartOfIt) {
    test::LoopbackServer server;
    m_strDripKey = Attachment("slow.bin");
    m_nDripBytes = 4096 * 5000;  // 20 MB at 4 KB every few milliseconds: tens of seconds
    Install(server, false);
    server.Start();
    Serve("?Top", 200, Page(AttachmentLink("slow.bin")));
    Start({new CWebPage(server.Url("/?Top"))}, 99, m_rules.path());
    auto queue = CMessageQueue::ForCurrentThread();
    const std::string slow = server.Url("/" + Attachment("slow.bin"));
    // Wait until part of it is on disk.
    ASSERT_TRUE(queue->RunUntil(
        [&] { return !m_collector.progressOf[slow].empty() && HasPartFiles(m_out.path()); },
        20000));
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(m_downloader->Stop(0), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
    queue->RunUntil([] { return false; }, 100);
    EXPECT_EQ(m_collector.finished, 1);
    EXPECT_EQ(m_collector.results.count(slow), 0u);
    EXPECT_FALSE(HasPartFiles(m_out.path()));
    ASSERT_NE(m_collector.Page(slow), nullptr);
    EXPECT_FALSE(Written(m_collector.Page(slow)->GetLocalName()));
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// Pages whose usual names differ only in letter case, or whose names lose a '%' escape,
// are different files to a help file (its names ignore case): each keeps a file of its
// own, linked from the page that names it, while two URLs of one page still share one.
TEST_F(SmallWikiTest, DistinctPagesNeverShareAFileEvenIgnoringLetterCase) {
    test::LoopbackServer server;
    Install(server, false);
    server.Start();
    const std::vector<std::string> pages = {"?CaseName", "?casename", "?C%2B", "?C2B"};
    std::string links;
    for (const std::string& page : pages) links += "<a href=\"./" + page + "\">x</a>";
    links += "<a href=\"./?cmd=read&amp;page=CaseName\">again</a>";
    Serve("?Top", 200, Page(links));
    for (const std::string& page : pages) Serve(page, 200, Page("text of " + page));
    Serve("?cmd=read&page=CaseName", 200, Page("text of ?CaseName"));
    Start({new CWebPage(server.Url("/?Top"))}, 99, m_rules.path());
    ASSERT_TRUE(RunToEnd());

    std::set<std::string> folded;
    const std::string top = Output(m_collector.Page(server.Url("/?Top"))->GetLocalName());
    for (const std::string& page : pages) {
        SCOPED_TRACE(page);
        CWebPage* fetched = m_collector.Page(server.Url("/" + page));
        ASSERT_NE(fetched, nullptr);
        const std::string name = fetched->GetLocalName();
        EXPECT_TRUE(folded.insert(ToLowerAscii(name)).second) << name;
        EXPECT_NE(Output(name).find("text of " + page), std::string::npos) << name;
        EXPECT_NE(top.find("href=\"" + name + "\""), std::string::npos) << name;
    }
    // The first of each pair keeps the usual name.
    EXPECT_EQ(m_collector.Page(server.Url("/?CaseName"))->GetLocalName(), "CaseName.html");
    EXPECT_EQ(m_collector.Page(server.Url("/?C%2B"))->GetLocalName(), "C2B.html");
    // The other form of a page's URL is the same file, fetched once.
    EXPECT_EQ(m_collector.Page(server.Url("/?cmd=read&page=CaseName")), nullptr);
}

}  // namespace
}  // namespace corvane
