#include "platform/manual_reset_event.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace corvane {
namespace {

TEST(ManualResetEvent, StaysSetForEveryWaiterUntilReset) {
    CManualResetEvent event;
    EXPECT_FALSE(event.IsSet());
    EXPECT_FALSE(event.Wait(20));

    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        event.Set();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(event.Wait(5000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    setter.join();

    // Manual reset: a second and third wait see it too.
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(-1));
    event.Reset();
    EXPECT_FALSE(event.IsSet());
}

}  // namespace
}  // namespace corvane
