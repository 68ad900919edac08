#include "crawl/progress_throttle.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace std::chrono_literals;

TEST(ProgressThrottle, FirstValueAtOnceThenOnePerIntervalAndTheLastOneAtTheEnd) {
    CProgressThrottle throttle(50ms);
    const auto t0 = CProgressThrottle::Clock::time_point{} + 1h;
    throttle.Begin();
    EXPECT_FALSE(throttle.Flush());  // nothing held before anything came

    EXPECT_TRUE(throttle.Offer(1024, t0));
    EXPECT_FALSE(throttle.Offer(2048, t0 + 10ms));
    EXPECT_FALSE(throttle.Offer(3072, t0 + 49ms));
    EXPECT_TRUE(throttle.Offer(4096, t0 + 50ms));  // the interval has passed
    EXPECT_FALSE(throttle.Offer(5000, t0 + 60ms));
    // The read after the last piece repeats the size: still held, and given at the end.
    EXPECT_FALSE(throttle.Offer(5000, t0 + 61ms));
    EXPECT_EQ(throttle.Flush(), 5000u);
    EXPECT_FALSE(throttle.Flush());

    // A value already sent is not sent again, neither now nor at the end.
    throttle.Begin();
    EXPECT_TRUE(throttle.Offer(700, t0 + 2h));
    EXPECT_FALSE(throttle.Offer(700, t0 + 3h));
    EXPECT_FALSE(throttle.Flush());

    // A new page starts afresh: its first value goes at once.
    throttle.Begin();
    EXPECT_TRUE(throttle.Offer(700, t0 + 3h + 1ms));
}

}  // namespace
}  // namespace corvane
