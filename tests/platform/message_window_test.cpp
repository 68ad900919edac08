#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "platform/message_window.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

TEST(MessageWindowTest, RegisteredNamesGiveOneIdPerNameOnEveryThread) {
    MessageId a = RegisterMessage("Test::WM_A");
    MessageId b = RegisterMessage("Test::WM_B");
    MessageId fromOther =
        std::async(std::launch::async, [] { return RegisterMessage("Test::WM_A"); }).get();
    EXPECT_NE(a, b);
    EXPECT_EQ(a, fromOther);
    EXPECT_EQ(a, RegisterMessage("Test::WM_A"));
}

TEST(MessageWindowTest, SendRunsTheHandlerOnTheOwnerThreadAndWaitsForIt) {
    const std::thread::id owner = std::this_thread::get_id();
    std::vector<int> seen;
    std::thread::id handledOn;
    CMessageWindow window([&](MessageId m, WParam w, LParam l) -> LResult {
        handledOn = std::this_thread::get_id();
        seen.push_back(static_cast<int>(m));
        return static_cast<LResult>(w) + l;
    });
    std::atomic<bool> sent{false};
    LResult result = 0;
    bool ok = false;
    std::thread sender([&] {
        ok = SendMessageTimeout(window.GetHandle(), 7, 40, 2, 5000, &result);
        sent = true;
    });
    // Posts and sends are handled in arrival order.
    auto queue = CMessageQueue::ForCurrentThread();
    EXPECT_TRUE(queue->RunUntil([&] { return sent.load(); }, 5000));
    sender.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(result, 42);
    EXPECT_EQ(handledOn, owner);
    EXPECT_EQ(seen, std::vector<int>{7});
}

TEST(MessageWindowTest, SendTimesOutAndIsWithdrawnWhenTheOwnerDoesNotPump) {
    int handled = 0;
    CMessageWindow window([&](MessageId, WParam, LParam) -> LResult { return ++handled; });
    auto queue = CMessageQueue::ForCurrentThread();
    auto start = std::chrono::steady_clock::now();
    bool ok = std::async(std::launch::async, [&] {
                  return SendMessageTimeout(window.GetHandle(), 1, 0, 0, 100);
              }).get();
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(ok);
    EXPECT_GE(took, 100ms);
    EXPECT_LT(took, 3s);
    // Withdrawn: a later pump does not run the handler with stale parameters.
    EXPECT_EQ(queue->Pump(), 0);
    EXPECT_EQ(handled, 0);

    // A time-out of 0 gives up at once.
    EXPECT_FALSE(std::async(std::launch::async, [&] {
                     return SendMessageTimeout(window.GetHandle(), 1, 0, 0, 0);
                 }).get());
    EXPECT_EQ(queue->Pending(), 0u);
}

TEST(MessageWindowTest, TimedPostDoesNotWaitAndIsDroppedWhenNotHandledInTime) {
    std::vector<LParam> seen;
    CMessageWindow window([&](MessageId, WParam, LParam l) -> LResult {
        seen.push_back(l);
        return 0;
    });
    auto queue = CMessageQueue::ForCurrentThread();
    // From another thread, with nobody pumping: the posts return at once.
    std::chrono::steady_clock::duration posting{};
    auto poster = std::async(std::launch::async, [&] {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(PostMessageTimeout(window.GetHandle(), 1, 0, 1, 30));
        EXPECT_TRUE(PostMessageTimeout(window.GetHandle(), 1, 0, 2, 5000));
        EXPECT_FALSE(PostMessageTimeout(window.GetHandle(), 1, 0, 3, 0));
        posting = std::chrono::steady_clock::now() - start;
        return SendMessageTimeout(window.GetHandle(), 1, 0, 4, 5000);
    });
    std::this_thread::sleep_for(80ms);
    EXPECT_TRUE(queue->RunUntil([&] { return seen.size() >= 2; }, 5000));
    EXPECT_TRUE(poster.get());
    EXPECT_LT(posting, 1s);
    // The first expired unhandled; the second came in time and before the later send.
    EXPECT_EQ(seen, (std::vector<LParam>{2, 4}));
}

TEST(MessageWindowTest, DestroyedWindowDropsQueuedPostsAndRefusesNewOnes) {
    int handled = 0;
    auto window = std::make_unique<CMessageWindow>(
        [&](MessageId, WParam, LParam) -> LResult { return ++handled; });
    WindowHandle handle = window->GetHandle();
    std::thread poster([&] { EXPECT_TRUE(PostMessage(handle, 1, 0, 0)); });
    poster.join();
    auto queue = CMessageQueue::ForCurrentThread();
    EXPECT_EQ(queue->Pending(), 1u);
    window.reset();
    EXPECT_EQ(queue->Pending(), 0u);
    EXPECT_EQ(queue->Pump(), 0);
    EXPECT_FALSE(PostMessage(handle, 1, 0, 0));
    EXPECT_FALSE(SendMessageTimeout(handle, 1, 0, 0, 100));
    EXPECT_EQ(handled, 0);

    // A new window never takes over the old handle.
    CMessageWindow other([](MessageId, WParam, LParam) -> LResult { return 0; });
    EXPECT_NE(other.GetHandle(), handle);
}

TEST(MessageWindowTest, WindowDestroyedInsideItsOwnHandlerDropsTheRestOnly) {
    std::unique_ptr<CMessageWindow> window;
    std::vector<WParam> seen;
    window = std::make_unique<CMessageWindow>([&](MessageId, WParam w, LParam) -> LResult {
        seen.push_back(w);
        if (w == 1) window.reset();
        return 0;
    });
    WindowHandle handle = window->GetHandle();
    std::thread poster([&] {
        for (WParam w = 1; w <= 3; ++w) PostMessage(handle, 5, w, 0);
    });
    poster.join();
    CMessageQueue::ForCurrentThread()->Pump();
    EXPECT_EQ(seen, std::vector<WParam>{1});
    EXPECT_EQ(window, nullptr);
}

TEST(MessageWindowTest, ReleasedSendersReturnWhileTheirHandlerStillRuns) {
    // The handler waits for the sender's thread to end: without the release both would
    // wait for each other.
    std::unique_ptr<CMessageWindow> window;
    std::thread sender;
    std::atomic<bool> sendResult{true};
    window = std::make_unique<CMessageWindow>([&](MessageId, WParam, LParam) -> LResult {
        window->ReleaseSenders();
        sender.join();
        return 0;
    });
    std::atomic<bool> done{false};
    sender = std::thread([&] {
        sendResult = SendMessageTimeout(window->GetHandle(), 1, 0, 0, 60000);
        done = true;
    });
    auto queue = CMessageQueue::ForCurrentThread();
    EXPECT_TRUE(queue->RunUntil([&] { return done.load(); }, 10000));
    EXPECT_FALSE(sendResult);
    EXPECT_FALSE(sender.joinable());
}

}  // namespace
}  // namespace corvane
