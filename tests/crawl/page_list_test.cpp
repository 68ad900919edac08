#include "crawl/page_list.h"

#include <gtest/gtest.h>

#include <atomic>
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

}  // namespace
}  // namespace corvane
