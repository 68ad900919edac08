// The build driver in process: its log lines and progress over a crawl of the sample wiki,
// and an abort that builds nothing.
#include "crawl/build_driver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>

#include "net/internet_error.h"
#include "platform/message_box.h"
#include "platform/message_window.h"
#include "platform/text_codec.h"
#include "project/corvane_doc.h"
#include "support/http_auth.h"
#include "support/loopback_server.h"
#include "support/recording_message_box.h"
#include "support/sample_wiki.h"
#include "support/test_certificates.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// The driver's log lines, in Shift_JIS as the driver writes them.
const std::string kStarted = Utf8ToSjis("ダウンロードを開始しました。");
const std::string kPageFinished = Utf8ToSjis("ダウンロード終了 [");
const std::string kCheckFinished = Utf8ToSjis("チェック終了 ");
const std::string kAborted = Utf8ToSjis("中断しました");

// Records what the driver shows.
class RecordingView : public CBuildDriverCallback {
public:
    void AppendLog(const std::string& text) override { log.push_back(text); }
    void CreateProgress(int upper) override {
        ++created;
        position = 0;
        this->upper = upper;
    }
    void SetProgress(int position, int upper) override {
        EXPECT_EQ(position, this->position + 1);  // one step per finished page
        EXPECT_GE(upper, this->upper);            // the range only grows
        this->position = position;
        this->upper = upper;
    }
    void DestroyProgress() override { ++destroyed; }
    void OnRunningChanged(bool running) override { this->running = running; }

    int Count(const std::string& prefix) const {
        int n = 0;
        for (const auto& line : log) n += line.rfind(prefix, 0) == 0;
        return n;
    }

    std::vector<std::string> log;
    int created = 0, destroyed = 0, position = 0, upper = 0;
    bool running = false;
};

// Message boxes fail the test: none are expected on these roads.
class NoBoxes : public CMessageBoxHandler {
public:
    int ShowMessageBox(const std::string& text, const std::string&, unsigned) override {
        ADD_FAILURE() << "unexpected message box: " << text;
        return IDNO;
    }
};

struct DriverRun {
    test::SampleWiki wiki{test::SampleWiki::DefaultFolder()};
    test::InFlightProbe probe;
    test::LoopbackServer server;
    test::ScratchDir dir;
    CCorvaneDoc doc;
    RecordingView view;
    NoBoxes boxes;
    CScopedMessageBoxHandler scoped{&boxes};
    std::unique_ptr<CBuildDriver> driver;

    // `needAuth`: the wiki answers only requests that carry alice's password.
    explicit DriverRun(bool needAuth = false) {
        test::ServeSampleWiki(wiki, server, &probe, needAuth ? "alice" : "", "s3cret");
        server.Start();
        EXPECT_TRUE(doc.LoadFromFile((test::SourceDir() / "sample" / "sample.xml").string()));
        doc.SetURL(server.Url("/?FrontPage"));
        doc.SetFolder(dir.path().string() + "/");
        driver = std::make_unique<CBuildDriver>(doc, view);
        driver->SetCompilerPath("/usr/bin/chmcmd");
        driver->SetInterval(0);
        driver->SetOpenResult(false);
    }
    bool PumpUntil(const std::function<bool()>& done) {
        return CMessageQueue::ForCurrentThread()->RunUntil(done, 20000);
    }
};

TEST(BuildDriverTest, NormalRunLogsEveryPageAndBuildsTheHelpFile) {
    DriverRun run;
    ASSERT_EQ(run.driver->OnCreateHelp(), 1);
    EXPECT_TRUE(run.driver->IsAbortEnabled());
    EXPECT_FALSE(run.driver->IsCreateHelpEnabled());
    ASSERT_TRUE(run.PumpUntil([&] { return !run.view.running; }));

    EXPECT_EQ(run.driver->GetOutcome(), CBuildDriver::kBuilt);
    ASSERT_FALSE(run.view.log.empty());
    EXPECT_EQ(run.view.log.front(), kStarted);
    const int finished = run.view.Count(kPageFinished);
    EXPECT_GE(finished, 15);
    // "チェック終了 N": every page of the list, each of which also finished.
    EXPECT_EQ(run.view.Count(kCheckFinished + std::to_string(finished)), 1);
    // The start page's line names the page and its full URL.
    EXPECT_EQ(run.view.log[1], kPageFinished + "FrontPage] " + run.doc.GetURL());
    // A picture declares no charset: the page name in its link is read in the site's (UTF-8).
    EXPECT_EQ(run.view.Count(kPageFinished + "plugin=attach&refer=" + Utf8ToSjis("表示") +
                             "&openfile=main-running.png] "),
              1);
    EXPECT_EQ(run.view.position, finished);
    EXPECT_EQ(run.view.upper, finished);
    EXPECT_EQ(run.view.created, 1);
    EXPECT_EQ(run.view.destroyed, 1);
    EXPECT_TRUE(run.driver->IsCreateHelpEnabled());
    EXPECT_GT(std::filesystem::file_size(run.dir / "Corvane.chm"), 0u);
}

// A compiler given by name is the one PATH finds; a name PATH does not know is named in the
// message, and so is a proxy setting that cannot be used, before anything is fetched.
TEST(BuildDriverTest, ACompilerByNameIsFoundOnPathAndBadSettingsAreNamed) {
    test::ScratchDir bin;
    // Writes where the help project says the compiled file goes.
    test::WriteFileBytes(bin / "my-compiler",
                         "#!/bin/sh\nout=$(sed -n 's/^Compiled file=//p' \"$2\" | tr -d '\\r')\n"
                         "echo built > \"$out\"\n");
    std::filesystem::permissions(bin / "my-compiler", std::filesystem::perms::owner_all);
    const std::string savedPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (bin.path().string() + ":" + savedPath).c_str(), 1);
    {
        DriverRun run;
        run.driver->SetCompilerPath("my-compiler");
        ASSERT_EQ(run.driver->OnCreateHelp(), 1);
        ASSERT_TRUE(run.PumpUntil([&] { return !run.view.running; }));
        EXPECT_EQ(run.driver->GetOutcome(), CBuildDriver::kBuilt);
        EXPECT_EQ(test::ReadFileBytes(run.dir / "Corvane.chm"), "built\n");
    }
    struct Case {
        const char* compiler;
        int proxyType;
        const char* proxyHost;
        int proxyPort;
        const char* says;
    } cases[] = {
        {"no-such-compiler", 0, "", 0, "見つかりません\n[no-such-compiler]"},
        {"my-compiler", 2, "", 8080, "プロキシの設定が正しくありません"},
        {"my-compiler", 2, "user:pw@proxy", 8080, "[user:pw@proxy:8080]"},
        {"my-compiler", 2, "proxy", 0, "[proxy:0]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        DriverRun run;
        test::RecordingMessageBox boxes;
        run.driver->SetCompilerPath(c.compiler);
        run.driver->SetProxy(c.proxyType, c.proxyHost, c.proxyPort);
        EXPECT_EQ(run.driver->OnCreateHelp(), 0);
        EXPECT_EQ(run.driver->GetOutcome(), CBuildDriver::kRefused);
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_THAT(SjisToUtf8(boxes.boxes()[0].text), HasSubstr(c.says));
        EXPECT_TRUE(run.server.Requests().empty());
    }
    setenv("PATH", savedPath.c_str(), 1);
}

TEST(BuildDriverTest, SeveralWorkersFetchTheSamePagesAsOne) {
    auto finishedWith = [](int workers) {
        DriverRun run;
        // The second request waits for another one; in vain only when no other worker comes.
        if (workers > 1) run.probe.SetHold(5000);
        run.driver->SetThreadCount(workers);
        EXPECT_EQ(run.driver->OnCreateHelp(), 1);
        EXPECT_TRUE(run.PumpUntil([&] { return !run.view.running; }));
        EXPECT_EQ(run.driver->GetOutcome(), CBuildDriver::kBuilt);
        // Several workers really fetch at the same time.
        EXPECT_EQ(run.probe.MaxInFlight() >= 2, workers > 1) << workers << " workers";
        // The finished lines without the server's address, which differs between runs.
        const std::string site = run.server.Url("");
        std::set<std::string> lines;
        for (std::string line : run.view.log) {
            if (line.rfind(kPageFinished, 0) != 0) continue;
            size_t at = line.find(site);
            if (at != std::string::npos) line.erase(at, site.size());
            lines.insert(line);
        }
        return lines;
    };
    const auto one = finishedWith(1);
    EXPECT_GE(one.size(), 15u);
    EXPECT_EQ(finishedWith(3), one);
}

TEST(BuildDriverTest, TheProjectsLevelCredentialsAndWikiNameSwitchReachTheCrawl) {
    DriverRun run(true);
    run.doc.SetLevel(0);
    run.doc.SetUseAuth(1);
    run.doc.SetUser("alice");
    run.doc.SetPassword(CCorvaneDoc::ScramblePassword("s3cret"));  // stored scrambled
    run.doc.SetConvWikiName(0);  // switched off, though a pattern is set
    run.doc.SetWikiNameSearch("^(.*)$");
    run.doc.SetWikiNameReplace("[$1]");
    ASSERT_EQ(run.driver->OnCreateHelp(), 1);
    ASSERT_TRUE(run.PumpUntil([&] { return !run.view.running; }));
    EXPECT_EQ(run.driver->GetOutcome(), CBuildDriver::kBuilt);

    // Level 0: the start page and what it shows (style sheet, pictures), no further page.
    std::set<std::string> pages;
    int authorised = 0;
    for (const auto& request : run.server.Requests()) {
        if (request.target.rfind("/?", 0) == 0 &&
            request.target.find("plugin=ref") == std::string::npos) {
            pages.insert(request.target);
        }
        authorised += request.Header("Authorization") == "Basic " + test::Base64("alice:s3cret");
    }
    EXPECT_EQ(pages, std::set<std::string>{"/?FrontPage"});
    EXPECT_GE(authorised, 2);
    // Link texts stay as the wiki wrote them: はじめに
    EXPECT_THAT(test::ReadFileBytes(run.dir / "FrontPage.html"),
                HasSubstr(Utf8ToSjis(">はじめに</a>")));
}

TEST(BuildDriverTest, AbortDuringTheCrawlBuildsNothing) {
    DriverRun run;
    run.driver->SetInterval(200);
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_EQ(run.driver->OnCreateHelp(), 1);
    ASSERT_TRUE(run.PumpUntil([&] { return run.view.Count(kPageFinished) >= 1; }));
    run.driver->OnAbortDownload();
    // The crawl kept the pause it was given, before each page (a lower bound only).
    const auto requests = run.server.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_GE(requests.front().at - begin, std::chrono::milliseconds(200));
    for (size_t i = 1; i < requests.size(); ++i) {
        EXPECT_GE(requests[i].at - requests[i - 1].at, std::chrono::milliseconds(200));
    }

    EXPECT_EQ(run.driver->GetOutcome(), CBuildDriver::kAborted);
    EXPECT_EQ(run.view.log.back(), kAborted);
    EXPECT_EQ(run.view.Count(kCheckFinished), 0);
    EXPECT_EQ(run.view.destroyed, 1);
    EXPECT_FALSE(run.view.running);
    EXPECT_TRUE(run.driver->IsCreateHelpEnabled());
    EXPECT_FALSE(std::filesystem::exists(run.dir / "Corvane.hhp"));
    EXPECT_FALSE(std::filesystem::exists(run.dir / "Corvane.chm"));
    // Nothing arrives late after the abort.
    CMessageQueue::ForCurrentThread()->RunUntil([] { return false; }, 300);
    EXPECT_EQ(run.view.log.back(), kAborted);
}

const std::string kPageFailed = Utf8ToSjis("  取得に失敗しました: ");
const std::string kFailureSummary = Utf8ToSjis("取得に失敗したページ: ");
const std::string kStartPageFailed = Utf8ToSjis("開始ページを取得できませんでした");

bool HasHelpProject(const std::filesystem::path& folder) {
    for (const char* own : {"Corvane.hhc", "Corvane.hhp", "Corvane.chm"}) {
        if (std::filesystem::exists(folder / own)) return true;
    }
    return false;
}

// A run against a server the test sets up itself (or none), for the roads where the start
// page does not come back.
struct FailingRun {
    test::ScratchDir dir;
    CCorvaneDoc doc;
    RecordingView view;
    test::RecordingMessageBox boxes;
    std::unique_ptr<CBuildDriver> driver;

    explicit FailingRun(const std::string& url, const std::string& user = "",
                        const std::string& password = "") {
        EXPECT_TRUE(doc.LoadFromFile((test::SourceDir() / "sample" / "sample.xml").string()));
        doc.SetURL(url);
        doc.SetFolder(dir.path().string() + "/");
        if (!user.empty()) {
            doc.SetUseAuth(1);
            doc.SetUser(user);
            doc.SetPassword(CCorvaneDoc::ScramblePassword(password));
        }
        driver = std::make_unique<CBuildDriver>(doc, view);
        driver->SetCompilerPath("/usr/bin/chmcmd");
        driver->SetInterval(0);
        driver->SetOpenResult(false);
        driver->SetFetchTimeout(1000);
    }
    void Run() {
        ASSERT_EQ(driver->OnCreateHelp(), 1);
        ASSERT_TRUE(
            CMessageQueue::ForCurrentThread()->RunUntil([&] { return !view.running; }, 30000));
    }
    // The line after the start page's "ダウンロード終了" line.
    std::string ReasonLine() const {
        for (size_t i = 0; i + 1 < view.log.size(); ++i) {
            if (view.log[i] == kPageFinished + "FrontPage] " + doc.GetURL()) return view.log[i + 1];
        }
        return "(no finished line for the start page)";
    }
};

// Every way the start page can fail ends the same: the reason in the log after the page's
// line, the box naming the URL and the reason, no help project, commands enabled again.
void ExpectStartPageFailed(FailingRun& run, const std::string& reason) {
    SCOPED_TRACE(SjisToUtf8(reason));
    EXPECT_EQ(run.driver->GetOutcome(), CBuildDriver::kStartPageFailed);
    EXPECT_EQ(run.driver->GetFailedPageCount(), 1);
    EXPECT_EQ(run.ReasonLine(), kPageFailed + reason);
    EXPECT_EQ(run.view.Count(kFailureSummary + "1"), 1);
    ASSERT_EQ(run.boxes.boxes().size(), 1u);
    EXPECT_EQ(run.boxes.boxes()[0].text,
              kStartPageFailed + "\n[" + run.doc.GetURL() + "]\n" + reason);
    EXPECT_FALSE(HasHelpProject(run.dir.path()));
    EXPECT_TRUE(run.driver->IsCreateHelpEnabled());
    EXPECT_FALSE(run.driver->IsAbortEnabled());
    EXPECT_EQ(run.view.destroyed, 1);
}

TEST(BuildDriverFailureTest, StartPageOnAClosedPortOrAnUnknownHost) {
    std::string url;
    {
        test::LoopbackServer closed;
        closed.Start();
        url = closed.Url("/?FrontPage");
    }
    FailingRun refused(url);
    refused.Run();
    ExpectStartPageFailed(refused, InternetErrorReason(INET_ERROR_CANNOT_CONNECT));

    FailingRun unknown("http://no-such-host.invalid/?FrontPage");
    unknown.Run();
    ExpectStartPageFailed(unknown, InternetErrorReason(INET_ERROR_NAME_NOT_RESOLVED));
}

TEST(BuildDriverFailureTest, StartPageAnsweringWithAnErrorStatus) {
    test::LoopbackServer server;
    server.Get(".*", [](const httplib::Request& req, httplib::Response& res) {
        if (req.target == "/?Missing") {
            // The wiki's own error page comes with the status: it is not the help file.
            res.status = 404;
            res.set_content(
                "<html><body><ul class=\"list1\"><li><a href=\"x.html\">x</a>"
                "</li></ul></body></html>",
                "text/html");
            return;
        }
        if (!test::BasicAuthorizationValid(req, "alice", "secret")) {
            res.status = 401;
            res.set_header("WWW-Authenticate", test::BasicChallenge("wiki"));
            res.set_content("<html><body>login</body></html>", "text/html");
            return;
        }
        res.set_content("<html><body>never reached</body></html>", "text/html");
    });
    server.Start();

    FailingRun missing(server.Url("/?Missing"));
    missing.Run();
    EXPECT_EQ(missing.view.log[1], kPageFinished + "Missing] " + missing.doc.GetURL());
    EXPECT_EQ(missing.view.log[2], kPageFailed + "HTTP 404 Not Found");
    EXPECT_EQ(missing.driver->GetOutcome(), CBuildDriver::kStartPageFailed);
    ASSERT_EQ(missing.boxes.boxes().size(), 1u);
    EXPECT_FALSE(HasHelpProject(missing.dir.path()));

    const std::string unauthorized =
        "HTTP 401 Unauthorized" + Utf8ToSjis(" (ユーザー名とパスワードを確認してください)");
    FailingRun anonymous(server.Url("/?FrontPage"));
    anonymous.Run();
    ExpectStartPageFailed(anonymous, unauthorized);

    FailingRun wrongPassword(server.Url("/?FrontPage"), "alice", "wrong");
    wrongPassword.Run();
    ExpectStartPageFailed(wrongPassword, unauthorized);

    // The right user and password, kept in the project with authentication switched off,
    // are not sent.
    FailingRun switchedOff(server.Url("/?FrontPage"), "alice", "secret");
    switchedOff.doc.SetUseAuth(0);
    switchedOff.Run();
    ExpectStartPageFailed(switchedOff, unauthorized);
}

TEST(BuildDriverFailureTest, StartPageBehindAnUntrustedCertificateOrASilentServer) {
    test::TestCa stranger("Stranger CA");
    test::LoopbackServer https(stranger.Issue("127.0.0.1"));
    https.Get(".*", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<html></html>", "text/html");
    });
    https.Start();
    const std::string unknownIssuer = Utf8ToSjis(
        "サーバー証明書の発行元を確認できません "
        "(自己署名か、このコンピューターが信頼していない認証局) "
        "(発行元の証明書をシステムの証明書ストアに入れてください。「証明書のホスト名と期限を確認し"
        "ない」"
        "(InsecureTls) では省略できません)");
    const std::string warning = Utf8ToSjis("警告: このプロジェクトは HTTPS のサーバー証明書");
    FailingRun untrusted(https.Url("/?FrontPage"));
    untrusted.Run();
    ExpectStartPageFailed(untrusted, unknownIssuer);
    EXPECT_EQ(untrusted.view.Count(warning), 0);
    // The opt-out waives the host name and dates, never the chain, and every run says so.
    FailingRun optedOut(https.Url("/?FrontPage"));
    optedOut.doc.SetInsecureTls(1);
    optedOut.Run();
    ExpectStartPageFailed(optedOut, unknownIssuer);
    EXPECT_EQ(optedOut.view.Count(warning), 1);

    test::LoopbackServer silent;
    silent.Get(".*", [&silent](const httplib::Request&, httplib::Response& res) {
        silent.Sleep(10000);
        res.set_content("<html></html>", "text/html");
    });
    silent.Start();
    FailingRun waiting(silent.Url("/?FrontPage"));
    waiting.Run();
    ExpectStartPageFailed(waiting, InternetErrorReason(INET_ERROR_TIMEOUT));
}

TEST(BuildDriverFailureTest, StartPageThatCannotBeSavedStopsTheBuild) {
    DriverRun run;
    test::RecordingMessageBox boxes;
    // A folder in the way of the start page's file.
    std::filesystem::create_directory(run.dir / "FrontPage.html");
    ASSERT_EQ(run.driver->OnCreateHelp(), 1);
    ASSERT_TRUE(run.PumpUntil([&] { return !run.view.running; }));
    EXPECT_EQ(run.driver->GetOutcome(), CBuildDriver::kStartPageFailed);
    ASSERT_GE(run.view.log.size(), 3u);
    EXPECT_THAT(run.view.log[2], StartsWith(kPageFailed + Utf8ToSjis("ファイルを書き込めません [") +
                                            run.doc.GetFolder() + "FrontPage.html]: "));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_THAT(boxes.boxes()[0].text, StartsWith(kStartPageFailed));
    EXPECT_FALSE(HasHelpProject(run.dir.path()));
}

TEST(BuildDriverFailureTest, FailedPagesAreSummedUpAndTheHelpFileIsStillMade) {
    test::SampleWiki wiki{test::SampleWiki::DefaultFolder()};
    DriverRun run;
    // Two pages of the sample that the server no longer has.
    run.server.Stop();
    test::LoopbackServer server;
    test::ServeSampleWikiFailing(wiki, server, [](const std::string& target) {
        return target == "/?ChangeLog" || target == "/?RuleFiles" ? 500 : 0;
    });
    server.Start();
    run.doc.SetURL(server.Url("/?FrontPage"));
    ASSERT_EQ(run.driver->OnCreateHelp(), 1);
    ASSERT_TRUE(run.PumpUntil([&] { return !run.view.running; }));

    EXPECT_EQ(run.driver->GetOutcome(), CBuildDriver::kBuilt);
    EXPECT_EQ(run.driver->GetFailedPageCount(), 2);
    EXPECT_GT(std::filesystem::file_size(run.dir / "Corvane.chm"), 0u);
    // Each failed page has its reason right after its line, and no other page has one.
    EXPECT_EQ(run.view.Count(kPageFailed), 2);
    for (const char* name : {"ChangeLog", "RuleFiles"}) {
        const std::string line = kPageFinished + name + "] " + server.Url(std::string("/?") + name);
        auto at = std::find(run.view.log.begin(), run.view.log.end(), line);
        ASSERT_NE(at, run.view.log.end()) << name;
        ASSERT_NE(at + 1, run.view.log.end());
        EXPECT_EQ(*(at + 1), kPageFailed + "HTTP 500 Internal Server Error");
    }
    // The summary ends the log: the count, then each failed page with its reason.
    ASSERT_GE(run.view.log.size(), 3u);
    const size_t n = run.view.log.size();
    EXPECT_EQ(run.view.log[n - 3], kFailureSummary + Utf8ToSjis("2 件"));
    std::set<std::string> listed{run.view.log[n - 2], run.view.log[n - 1]};
    for (const char* name : {"ChangeLog", "RuleFiles"}) {
        EXPECT_EQ(listed.count("  " + server.Url(std::string("/?") + name) +
                               " (HTTP 500 Internal Server Error)"),
                  1u)
            << name;
    }
    // The progress bar still took one step per page.
    EXPECT_EQ(run.view.position, run.view.Count(kPageFinished));
}

TEST(BuildDriverFailureTest, SummaryNamesTheFirstFiveFailuresAndCountsTheRest) {
    test::SampleWiki wiki{test::SampleWiki::DefaultFolder()};
    DriverRun run;
    run.server.Stop();
    // The start page and its style sheet are all that is left of the site.
    test::LoopbackServer server;
    test::ServeSampleWikiFailing(wiki, server, [](const std::string& target) {
        return target != "/?FrontPage" && target != "/skin/pukiwiki.css" ? 410 : 0;
    });
    server.Start();
    run.doc.SetURL(server.Url("/?FrontPage"));
    ASSERT_EQ(run.driver->OnCreateHelp(), 1);
    ASSERT_TRUE(run.PumpUntil([&] { return !run.view.running; }));

    EXPECT_EQ(run.driver->GetOutcome(), CBuildDriver::kBuilt);
    const int failed = run.driver->GetFailedPageCount();
    ASSERT_GE(failed, 7);
    EXPECT_EQ(run.view.Count(kPageFailed), failed);
    const std::vector<std::string>& log = run.view.log;
    ASSERT_GE(log.size(), 7u);
    const size_t n = log.size();
    EXPECT_EQ(log[n - 7], kFailureSummary + std::to_string(failed) + Utf8ToSjis(" 件"));
    for (size_t i = n - 6; i < n - 1; ++i) {
        EXPECT_THAT(log[i], ::testing::EndsWith(" (HTTP 410 Gone)")) << SjisToUtf8(log[i]);
    }
    EXPECT_EQ(log[n - 1], Utf8ToSjis("  ほか ") + std::to_string(failed - 5) + Utf8ToSjis(" 件"));
}

}  // namespace
}  // namespace corvane
