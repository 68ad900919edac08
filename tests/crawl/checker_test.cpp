#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "crawl/checker.h"
#include "crawl/downloader_listener.h"
#include "crawl/web_page.h"
#include "net/url_parts.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

// What the test workers share: a site map (URL -> links) and a record of what they did.
struct Site {
    std::map<std::string, std::vector<std::string>> links;
    std::string slowUrl;  // CheckPage of this URL blocks until the run is aborted
    int stubbornMs = 0;   // ... or sleeps this long ignoring the abort
    int pageDelayMs = 0;
    std::mutex mutex;
    std::multiset<std::string> checked;
    std::set<int> workerIds;
    std::atomic<int> clones{0};
    std::atomic<int> alive{0};
    std::atomic<bool> inSlow{false};
};

// A crawl worker over the site map: each page "links" to its listed URLs.
class MapWorker : public CCheckerThread<CWebPage> {
public:
    explicit MapWorker(Site* site) : m_pSite(site) { ++site->alive; }
    ~MapWorker() override { --m_pSite->alive; }

    bool IsRunning() override { return m_pAbort == nullptr || !m_pAbort->IsSet(); }
    void StopProtocol() override {}
    void SetUseProxy(bool) override {}
    void SetProxyHost(const std::string&) override {}
    void SetProxyPort(int) override {}
    void SetUser(const std::string&) override {}
    void SetPassword(const std::string&) override {}
    void SetTimeout(int) override {}
    void SetAbortEvent(CManualResetEvent* event) override { m_pAbort = event; }
    void SetUserAgent(const std::string&) override {}

    CCheckerThread<CWebPage>* Clone() override {
        ++m_pSite->clones;
        auto* clone = new MapWorker(m_pSite);
        clone->m_hReceiverWnd = m_hReceiverWnd;
        clone->m_pPageList = m_pPageList;
        clone->m_pConfig = m_pConfig;
        return clone;
    }

    CCheckResult CheckPage(CWebPage* page) override {
        CCheckResult result;
        result.m_strURL = page->GetURL();
        {
            std::lock_guard<std::mutex> lock(m_pSite->mutex);
            m_pSite->checked.insert(page->GetURL());
            m_pSite->workerIds.insert(m_nId);
        }
        if (page->GetURL() == m_pSite->slowUrl) {
            m_pSite->inSlow = true;
            if (m_pSite->stubbornMs > 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(m_pSite->stubbornMs));
            } else {
                m_pAbort->Wait(10000);
            }
            return result;
        }
        if (m_pSite->pageDelayMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(m_pSite->pageDelayMs));
        CUrlParts url(page->GetURL());
        NotifyProgress(url, 10);
        NotifyProgress(url, 20);
        auto found = m_pSite->links.find(page->GetURL());
        if (found == m_pSite->links.end()) return result.m_nStatus = CHECK_OK, result;
        for (const std::string& link : found->second) {
            CWebPage* child = CWebPage::FromLink(link);
            child->SetLevel(page->GetLevel() + 1);
            if (!m_pPageList->Add(child)) delete child;
        }
        result.m_nStatus = CHECK_OK;
        return result;
    }

private:
    Site* m_pSite;
    CManualResetEvent* m_pAbort = nullptr;
};

// Records every event as a line of text.
class Recorder : public CDownloaderListener {
public:
    void OnStarted(std::vector<CWebPage*> pages) override {
        events.push_back("started " + std::to_string(pages.size()));
    }
    void OnPageStarted(CWebPage* page) override { events.push_back("page " + page->GetURL()); }
    void OnPageProgressed(CWebPage* page, std::intptr_t value) override {
        events.push_back("progress " + page->GetURL() + " " + std::to_string(value));
    }
    void OnPageFinished(CWebPage* page, const CCheckResult& result) override {
        events.push_back("done " + page->GetURL() + " " + std::to_string(result.m_nPageCount));
        if (abortOnFinished && stopper) stopper();
    }
    void OnFinished(std::vector<CWebPage*> pages, int reason) override {
        ++finishedCount;
        finishedPages = pages;
        events.push_back("finished " + std::to_string(pages.size()) + " " + std::to_string(reason));
    }
    int Count(const std::string& prefix) const {
        int n = 0;
        for (const auto& e : events) n += e.rfind(prefix, 0) == 0;
        return n;
    }
    std::vector<std::string> events;
    std::vector<CWebPage*> finishedPages;
    int finishedCount = 0;
    bool abortOnFinished = false;
    std::function<void()> stopper;
};

class CheckerTest : public ::testing::Test {
protected:
    ~CheckerTest() override {
        m_checker.reset();
        DeleteAll(m_recorder.finishedPages);
    }
    CCheckerConfig* MakeConfig(int threads, int wait) {
        auto* config = new CCheckerConfig;
        config->m_nThreadCount = threads;
        config->SetWaitForNewPages(wait);
        config->m_nInterval = 0;
        return config;
    }
    bool RunToEnd(int timeoutMs = 10000) {
        return CMessageQueue::ForCurrentThread()->RunUntil(
            [&] { return m_recorder.finishedCount > 0; }, timeoutMs);
    }
    std::vector<CWebPage*> Pages(std::initializer_list<const char*> urls) {
        std::vector<CWebPage*> pages;
        for (const char* url : urls) pages.push_back(new CWebPage(url));
        return pages;
    }

    Site m_site;
    Recorder m_recorder;
    std::unique_ptr<CChecker<CWebPage>> m_checker = std::make_unique<CChecker<CWebPage>>();
};

TEST_F(CheckerTest, ListenerSeesEveryPageInOrderThenOneEnd) {
    m_site.links["http://h/top"] = {"http://h/a", "http://h/b#x"};
    m_site.links["http://h/a"] = {"http://h/c", "http://h/top"};
    m_checker->AddListener(&m_recorder);
    ASSERT_EQ(m_checker->Start(Pages({"http://h/top"}), new MapWorker(&m_site), MakeConfig(1, 0)),
              1);
    ASSERT_TRUE(RunToEnd());
    const std::vector<std::string> expected = {
        "started 1",
        "page http://h/top",
        "progress http://h/top 10",
        "progress http://h/top 20",
        "done http://h/top 3",
        "page http://h/a",
        "progress http://h/a 10",
        "progress http://h/a 20",
        "done http://h/a 4",
        "page http://h/b",
        "progress http://h/b 10",
        "progress http://h/b 20",
        "done http://h/b 4",
        "page http://h/c",
        "progress http://h/c 10",
        "progress http://h/c 20",
        "done http://h/c 4",
        "finished 4 0",
    };
    EXPECT_EQ(m_recorder.events, expected);
    EXPECT_FALSE(m_checker->IsRunning());
    EXPECT_EQ(m_site.alive, 0);  // the engine released its workers

    // No late second end, and the listeners were removed: a new run notifies nobody.
    CMessageQueue::ForCurrentThread()->RunUntil([] { return false; }, 100);
    EXPECT_EQ(m_recorder.finishedCount, 1);
    Recorder silent;
    auto pages = Pages({"http://h/other"});
    ASSERT_EQ(m_checker->Start(pages, new MapWorker(&m_site), MakeConfig(1, 0)), 1);
    CMessageQueue::ForCurrentThread()->RunUntil([&] { return !m_checker->IsRunning(); }, 10000);
    EXPECT_FALSE(m_checker->IsRunning());
    EXPECT_EQ(m_recorder.finishedCount, 1);
    DeleteAll(pages);
}

TEST_F(CheckerTest, EmptyStartListStillRunsOneWorkerAndEnds) {
    m_checker->AddListener(&m_recorder);
    ASSERT_EQ(m_checker->Start({}, new MapWorker(&m_site), MakeConfig(5, 0)), 1);
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(m_recorder.events, (std::vector<std::string>{"started 0", "finished 0 0"}));
    EXPECT_EQ(m_site.clones, 0);
}

TEST_F(CheckerTest, NoMoreWorkersThanStartPagesUnlessWaitingForNewPages) {
    m_site.pageDelayMs = 20;
    m_checker->AddListener(&m_recorder);
    ASSERT_EQ(m_checker->Start(Pages({"http://h/1", "http://h/2"}), new MapWorker(&m_site),
                               MakeConfig(5, 0)),
              1);
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(m_site.clones, 1);
    EXPECT_EQ(m_recorder.Count("done "), 2);
}

TEST_F(CheckerTest, WaitingWorkersShareAGrowingListAndEachPageIsCheckedOnce) {
    // A tree of 1 + 3 + 9 + 27 pages, found one level at a time by four workers.
    std::vector<std::string> level = {"http://h/p"};
    for (int depth = 0; depth < 3; ++depth) {
        std::vector<std::string> next;
        for (const auto& url : level) {
            for (int i = 0; i < 3; ++i) {
                next.push_back(url + std::to_string(i));
                m_site.links[url].push_back(next.back());
            }
            m_site.links[url].push_back("http://h/p");  // a link back: a duplicate
        }
        level = next;
    }
    m_site.pageDelayMs = 5;
    m_checker->AddListener(&m_recorder);
    ASSERT_EQ(m_checker->Start(Pages({"http://h/p"}), new MapWorker(&m_site), MakeConfig(4, 1)), 1);
    ASSERT_TRUE(RunToEnd(20000));
    EXPECT_EQ(m_site.clones, 3);
    EXPECT_EQ(m_site.checked.size(), 40u);
    EXPECT_EQ(std::set<std::string>(m_site.checked.begin(), m_site.checked.end()).size(), 40u);
    EXPECT_GT(m_site.workerIds.size(), 1u);  // the idle workers picked up new pages
    EXPECT_EQ(m_recorder.Count("done "), 40);
    EXPECT_EQ(m_recorder.events.back(), "finished 40 0");
    EXPECT_EQ(m_recorder.finishedCount, 1);
}

TEST_F(CheckerTest, DuplicatesAreExactUrlsWithLetterCaseCounting) {
    m_site.links["http://h/top"] = {"http://h/A",      "http://h/A", "http://h/a",
                                    "http://h/A#frag", "http://H/A", "http://h/top#again"};
    m_checker->AddListener(&m_recorder);
    ASSERT_EQ(m_checker->Start(Pages({"http://h/top"}), new MapWorker(&m_site), MakeConfig(1, 0)),
              1);
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(m_site.checked, (std::multiset<std::string>{"http://h/top", "http://h/A",
                                                          "http://h/a", "http://H/A"}));

    CPageList<CWebPage> list;
    CWebPage a("http://h/x"), same("http://h/x"), other("http://h/X");
    list.Assign({&a});
    EXPECT_EQ(list.Add(&same), 0);
    EXPECT_EQ(list.Add(&other), 1);
    EXPECT_EQ(list.Size(), 2);
}

TEST_F(CheckerTest, AbortDuringASlowPageEndsTheRunOnceWithoutThatPagesEnd) {
    m_site.links["http://h/top"] = {"http://h/slow", "http://h/after"};
    m_site.slowUrl = "http://h/slow";
    m_checker->AddListener(&m_recorder);
    ASSERT_EQ(m_checker->Start(Pages({"http://h/top"}), new MapWorker(&m_site), MakeConfig(1, 0)),
              1);
    auto queue = CMessageQueue::ForCurrentThread();
    ASSERT_TRUE(queue->RunUntil([&] { return m_site.inSlow.load(); }, 10000));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(m_checker->Stop(0), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    queue->RunUntil([] { return false; }, 200);  // a late end message must not count

    EXPECT_EQ(m_recorder.Count("done http://h/slow"), 0);
    EXPECT_EQ(m_recorder.Count("page http://h/after"), 0);
    EXPECT_EQ(m_recorder.finishedCount, 1);
    EXPECT_EQ(m_recorder.events.back(), "finished 3 0");
    EXPECT_EQ(m_checker->Stop(0), 1);  // idle now: nothing more happens
    EXPECT_EQ(m_recorder.finishedCount, 1);

    // The listeners were emptied: a second run notifies nobody.
    auto pages = Pages({"http://h/x"});
    ASSERT_EQ(m_checker->Start(pages, new MapWorker(&m_site), MakeConfig(1, 0)), 1);
    queue->RunUntil([&] { return !m_checker->IsRunning(); }, 10000);
    EXPECT_EQ(m_recorder.finishedCount, 1);
    DeleteAll(pages);
}

TEST_F(CheckerTest, AbortFromInsideAListenerDoesNotDeadlock) {
    m_site.links["http://h/top"] = {"http://h/a", "http://h/b"};
    m_recorder.abortOnFinished = true;
    m_recorder.stopper = [&] { m_checker->Stop(0); };
    m_checker->AddListener(&m_recorder);
    ASSERT_EQ(m_checker->Start(Pages({"http://h/top"}), new MapWorker(&m_site), MakeConfig(1, 0)),
              1);
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(RunToEnd(10000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(m_recorder.Count("done "), 1);
    EXPECT_EQ(m_recorder.finishedCount, 1);
}

TEST_F(CheckerTest, SendsTimeOutWhileTheOwnerDoesNotPump) {
    m_site.links["http://h/top"] = {"http://h/a", "http://h/b"};
    m_checker->AddListener(&m_recorder);
    CCheckerConfig* config = MakeConfig(1, 0);
    config->m_nSendTimeout = 20;
    ASSERT_EQ(m_checker->Start(Pages({"http://h/top"}), new MapWorker(&m_site), config), 1);
    // Not pumping: every page event is dropped after its time-out; the worker goes on.
    auto deadline = std::chrono::steady_clock::now() + 10s;
    auto checkedCount = [&] {
        std::lock_guard<std::mutex> lock(m_site.mutex);
        return m_site.checked.size();
    };
    while (checkedCount() < 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(m_recorder.events, (std::vector<std::string>{"started 1", "finished 3 0"}));
}

TEST_F(CheckerTest, StopFailsWhileAWorkerIgnoresItAndSucceedsLater) {
    m_site.links["http://h/top"] = {"http://h/slow"};
    m_site.slowUrl = "http://h/slow";
    m_site.stubbornMs = 400;
    m_checker->AddListener(&m_recorder);
    CCheckerConfig* config = MakeConfig(1, 0);
    config->m_nStopTimeout = 50;
    ASSERT_EQ(m_checker->Start(Pages({"http://h/top"}), new MapWorker(&m_site), config), 1);
    auto queue = CMessageQueue::ForCurrentThread();
    ASSERT_TRUE(queue->RunUntil([&] { return m_site.inSlow.load(); }, 10000));
    EXPECT_EQ(m_checker->Stop(0), 0);
    EXPECT_TRUE(m_checker->IsRunning());
    EXPECT_EQ(m_recorder.finishedCount, 0);
    EXPECT_EQ(config->m_nSendTimeout, 1000);  // restored
    // A new start refuses while the old run cannot be stopped.
    CCheckerConfig refusedConfig;
    MapWorker refused(&m_site);
    EXPECT_EQ(m_checker->Start({}, &refused, &refusedConfig), 0);
    std::this_thread::sleep_for(450ms);
    EXPECT_EQ(m_checker->Stop(0), 1);
    EXPECT_EQ(m_recorder.finishedCount, 1);
}

}  // namespace
}  // namespace corvane
