#include "crawl/page_list.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "crawl/web_page.h"

namespace corvane {
namespace {

TEST(PageListTest, WorkersAddingOverlappingLinksAtOnceKeepEachUrlOnce) {
    // Every worker adds the links of its pages while another hands pages out: each of
    // four threads adds 30,000 URLs, overlapping its neighbours by 20,000 (60,000 distinct).
    // Runs under ThreadSanitizer too.
    constexpr int kThreads = 4, kPerThread = 30000, kStep = 10000;
    CPageList<CWebPage> list;
    list.Assign({new CWebPage("http://h/?0")});
    std::atomic<bool> adding{true};
    std::vector<CWebPage*> handedOut;
    int largestSize = 0;
    std::thread taker([&] {
        while (adding) {
            if (CWebPage* page = list.Next()) handedOut.push_back(page);
            largestSize = std::max(largestSize, list.Size());
        }
    });
    std::vector<std::thread> adders;
    std::atomic<int> accepted{0}, ready{0};
    for (int t = 0; t < kThreads; ++t) {
        adders.emplace_back([&, t] {
            // All start together, so that their adds really overlap.
            ++ready;
            while (ready < kThreads) std::this_thread::yield();
            for (int i = t * kStep; i < t * kStep + kPerThread; ++i) {
                auto* page = new CWebPage("http://h/?" + std::to_string(i));
                if (list.Add(page)) {
                    ++accepted;
                } else {
                    delete page;
                }
            }
        });
    }
    for (std::thread& adder : adders) adder.join();
    adding = false;
    taker.join();

    constexpr int kDistinct = (kThreads - 1) * kStep + kPerThread;  // "?0" is among them
    EXPECT_EQ(accepted, kDistinct - 1);
    EXPECT_EQ(list.Size(), kDistinct);
    EXPECT_LE(largestSize, kDistinct);
    while (CWebPage* page = list.Next()) handedOut.push_back(page);
    EXPECT_EQ(handedOut.size(), static_cast<size_t>(kDistinct));  // each page handed out once
    std::set<std::string> urls;
    for (CWebPage* page : list.Pages()) urls.insert(page->URL());
    EXPECT_EQ(urls.size(), static_cast<size_t>(kDistinct));
    for (CWebPage* page : list.Pages()) delete page;
}

// An idle worker waits with a time-out far beyond the test's run; each way of ending the
// wait must end it long before (a missed wake-up would show as a wait of a minute).
TEST(PageListTest, AnIdleWaitEndsOnANewPageOnTheLastWorkerLeavingAndOnWake) {
    using namespace std::chrono_literals;
    constexpr auto kLong = 60s;
    const auto waitedBriefly = [](auto started) {
        return std::chrono::steady_clock::now() - started < 30s;
    };
    CPageList<CWebPage> list;
    list.Assign({new CWebPage("http://h/?0")});
    ASSERT_NE(list.Next(), nullptr);
    list.EnterActive();  // another worker is still on its page

    // A page added by the busy worker.
    auto started = std::chrono::steady_clock::now();
    std::thread adder([&] {
        std::this_thread::sleep_for(20ms);
        list.Add(new CWebPage("http://h/?1"));
    });
    list.WaitForWork(kLong);
    adder.join();
    EXPECT_TRUE(waitedBriefly(started));
    CWebPage* page = list.Next();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->URL(), "http://h/?1");

    // A stop of the run.
    started = std::chrono::steady_clock::now();
    std::thread waker([&] {
        std::this_thread::sleep_for(20ms);
        list.Wake();
    });
    list.WaitForWork(kLong);
    waker.join();
    EXPECT_TRUE(waitedBriefly(started));

    // The busy worker goes idle with nothing added: nobody can add pages any more.
    started = std::chrono::steady_clock::now();
    std::thread leaver([&] {
        std::this_thread::sleep_for(20ms);
        list.LeaveActive();
    });
    list.WaitForWork(kLong);
    leaver.join();
    EXPECT_TRUE(waitedBriefly(started));
    EXPECT_EQ(list.ActiveCount(), 0);
    EXPECT_EQ(list.Next(), nullptr);
    for (CWebPage* p : list.Pages()) delete p;
}

}  // namespace
}  // namespace corvane
