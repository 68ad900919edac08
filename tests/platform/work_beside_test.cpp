// Work beside a waiting caller: the caller keeps being called back and passes a cancel on to
// the work, which runs on another thread; what the work throws reaches the caller.
#include "platform/work_beside.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace corvane {
namespace {

TEST(WorkBesideTest, TheCallerKeepsWaitingAndPassesACancelOn) {
    const auto caller = std::this_thread::get_id();
    std::thread::id worker;
    bool sawStop = false;
    int waited = 0;
    std::atomic<bool> stop{false};
    RunBesideWaiting(
        [&] {
            worker = std::this_thread::get_id();
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (!stop && std::chrono::steady_clock::now() < limit) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            sawStop = stop;
        },
        [&] {
            EXPECT_EQ(std::this_thread::get_id(), caller);
            ++waited;
        },
        [&] { return waited >= 3; }, stop, 1);
    EXPECT_NE(worker, caller);
    EXPECT_TRUE(sawStop);
    EXPECT_GE(waited, 3);
}

TEST(WorkBesideTest, WorkThatEndsAloneIsNotStoppedAndItsExceptionReachesTheCaller) {
    std::atomic<bool> stop{false};
    int result = 0;
    RunBesideWaiting([&] { result = 42; }, nullptr, [] { return false; }, stop);
    EXPECT_EQ(result, 42);
    EXPECT_FALSE(stop);
    EXPECT_THROW(
        RunBesideWaiting([] { throw std::runtime_error("broken"); }, nullptr, nullptr, stop),
        std::runtime_error);
}

}  // namespace
}  // namespace corvane
