#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "crawl/thread.h"
#include "crawl/thread_waiter.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

// Runs until asked to stop, or ignores that request for `m_ignoreMs`.
class LoopThread : public CThread {
public:
    ~LoopThread() override {
        m_release = true;
        JoinThreadObject();
    }
    void OnInit() override { m_bInRun = true; }
    int Run() override {
        while (!m_release) {
            if (!IsRunning() && !m_bIgnoreStop) break;
            std::this_thread::sleep_for(1ms);
        }
        return 7;
    }
    bool m_bIgnoreStop = false;
    std::atomic<bool> m_release{false};
    std::atomic<bool> m_bInRun{false};
};

TEST(ThreadTest, StopOfANeverStartedOrEndedThreadSucceedsAtOnce) {
    LoopThread never;
    EXPECT_EQ(never.Stop(), 1);
    EXPECT_EQ(never.GetState(), 0);
    EXPECT_EQ(never.Resume(), 0);  // nothing created

    // Created but never resumed: stop and release without running it.
    LoopThread created;
    ASSERT_NE(created.Create(), nullptr);
    EXPECT_EQ(created.Stop(), 1);
    EXPECT_FALSE(created.m_bInRun);

    LoopThread ended;
    ASSERT_EQ(ended.Start(), 1);
    EXPECT_TRUE(ended.m_bInRun);  // Resume returns only once the thread has started
    EXPECT_EQ(ended.GetState(), 1);
    ended.m_release = true;
    ASSERT_TRUE(ended.GetHandle()->WaitEnded(5000));
    EXPECT_EQ(ended.GetHandle()->ExitCode(), 7u);
    EXPECT_EQ(ended.GetState(), 2);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ended.Stop(), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(ended.GetState(), 0);
    EXPECT_EQ(ended.Resume(), 0);  // state 0 but the thread has run: no second start
}

TEST(ThreadTest, StopEndsACooperatingThreadAndTimesOutOnOneThatIgnoresIt) {
    LoopThread polite;
    ASSERT_EQ(polite.Start(), 1);
    EXPECT_EQ(polite.Stop(), 1);
    EXPECT_EQ(polite.GetState(), 0);
    EXPECT_TRUE(polite.GetHandle()->HasEnded());

    LoopThread stubborn;
    stubborn.m_bIgnoreStop = true;
    stubborn.m_nWaitTimeout = 150;
    ASSERT_EQ(stubborn.Start(), 1);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(stubborn.Stop(), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);
    EXPECT_EQ(stubborn.GetState(), 1);  // restored
    EXPECT_TRUE(stubborn.IsAlive());
    EXPECT_EQ(stubborn.Create(), nullptr);  // no second thread while the first runs
    stubborn.m_release = true;
    EXPECT_EQ(stubborn.Wait(), 1);
    EXPECT_EQ(stubborn.GetState(), 0);
}

// Works on for a while without looking at stop requests.
class SleepyThread : public CThread {
public:
    explicit SleepyThread(std::atomic<bool>* finished) : m_pFinished(finished) {}
    ~SleepyThread() override { JoinThreadObject(); }
    int Run() override {
        std::this_thread::sleep_for(50ms);
        *m_pFinished = true;
        return 0;
    }
    std::atomic<bool>* m_pFinished;
};

TEST(ThreadTest, DestroyingARunningThreadObjectJoinsInsteadOfAborting) {
    std::atomic<bool> finished{false};
    auto thread = std::make_unique<SleepyThread>(&finished);
    ASSERT_EQ(thread->Start(), 1);
    thread.reset();  // must neither abort the process nor leave the thread running
    EXPECT_TRUE(finished);

    // Released before it was ever resumed: its body never runs.
    std::atomic<bool> never{false};
    auto idle = std::make_unique<SleepyThread>(&never);
    ASSERT_NE(idle->Create(), nullptr);
    idle.reset();
    EXPECT_FALSE(never);
}

TEST(ThreadTest, MultiThreadWaiterPostsOnceAfterTheLastThread) {
    std::vector<std::unique_ptr<LoopThread>> threads;
    std::vector<ThreadHandle> handles;
    for (int i = 0; i < 3; ++i) {
        threads.push_back(std::make_unique<LoopThread>());
        handles.push_back(threads.back()->Create());
    }
    std::vector<MessageId> posts;
    CMessageWindow window([&](MessageId m, WParam, LParam) -> LResult {
        posts.push_back(m);
        return 0;
    });
    const MessageId done = RegisterMessage("Test::WM_ALLDONE");
    CMultiThreadWaiter waiter(handles, window.GetHandle(), done);
    ASSERT_EQ(waiter.Start(), 1);
    for (auto& t : threads) t->Resume();

    auto queue = CMessageQueue::ForCurrentThread();
    threads[0]->m_release = true;
    threads[2]->m_release = true;
    queue->RunUntil([] { return false; }, 100);
    EXPECT_TRUE(posts.empty());  // one thread still runs

    threads[1]->m_release = true;
    EXPECT_TRUE(queue->RunUntil([&] { return !posts.empty(); }, 5000));
    ASSERT_TRUE(waiter.GetHandle()->WaitEnded(5000));
    EXPECT_EQ(waiter.GetHandle()->ExitCode(), 0u);
    queue->RunUntil([] { return false; }, 50);
    EXPECT_EQ(posts, std::vector<MessageId>{done});
    EXPECT_EQ(waiter.Stop(), 1);
}

}  // namespace
}  // namespace corvane
