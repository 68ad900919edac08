// The build driver in process: its log lines and progress over a crawl of the sample wiki,
// and an abort that builds nothing.
#include "crawl/build_driver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/message_box.h"
#include "platform/message_window.h"
#include "project/corvane_doc.h"
#include "support/loopback_server.h"
#include "support/sample_wiki.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// ダウンロードを開始しました。 / ダウンロード終了 / チェック終了 / 中断しました
const std::string kStarted =
    "\x83_\x83"
    "E\x83\x93\x83\x8d\x81[\x83h\x82\xf0\x8aJ\x8en\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81"
    "B";
const std::string kPageFinished =
    "\x83_\x83"
    "E\x83\x93\x83\x8d\x81[\x83h\x8fI\x97\xb9 [";
const std::string kCheckFinished =
    "\x83`\x83"
    "F\x83"
    "b\x83N\x8fI\x97\xb9 ";
const std::string kAborted =
    "\x92\x86\x92"
    "f\x82\xb5\x82\xdc\x82\xb5\x82\xbd";

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
    test::LoopbackServer server;
    test::ScratchDir dir;
    CCorvaneDoc doc;
    RecordingView view;
    NoBoxes boxes;
    CScopedMessageBoxHandler scoped{&boxes};
    std::unique_ptr<CBuildDriver> driver;

    DriverRun() {
        wiki.Install(server.Server());
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
    EXPECT_EQ(run.view.position, finished);
    EXPECT_EQ(run.view.upper, finished);
    EXPECT_EQ(run.view.created, 1);
    EXPECT_EQ(run.view.destroyed, 1);
    EXPECT_TRUE(run.driver->IsCreateHelpEnabled());
    EXPECT_GT(std::filesystem::file_size(run.dir / "Corvane.chm"), 0u);
}

TEST(BuildDriverTest, SeveralWorkersFetchTheSamePagesAsOne) {
    auto finishedWith = [](int workers) {
        DriverRun run;
        run.driver->SetThreadCount(workers);
        EXPECT_EQ(run.driver->OnCreateHelp(), 1);
        EXPECT_TRUE(run.PumpUntil([&] { return !run.view.running; }));
        EXPECT_EQ(run.driver->GetOutcome(), CBuildDriver::kBuilt);
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

TEST(BuildDriverTest, AbortDuringTheCrawlBuildsNothing) {
    DriverRun run;
    run.driver->SetInterval(200);
    ASSERT_EQ(run.driver->OnCreateHelp(), 1);
    ASSERT_TRUE(run.PumpUntil([&] { return run.view.Count(kPageFinished) >= 1; }));
    run.driver->OnAbortDownload();

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

}  // namespace
}  // namespace corvane
