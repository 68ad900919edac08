// The ending signals while their handlers are installed: each is marked and wakes a loop
// through the pipe instead of ending the program; afterwards the handlers the program had
// come back.
#include "platform/ending_signals.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace corvane {
namespace {

volatile std::sig_atomic_t g_previousCalls = 0;
void Previous(int) { g_previousCalls = g_previousCalls + 1; }

TEST(EndingSignalsTest, ASignalIsMarkedAndWakesThenThePreviousHandlerComesBack) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        struct sigaction previous {
        }, saved{};
        previous.sa_handler = Previous;
        sigemptyset(&previous.sa_mask);
        ASSERT_EQ(sigaction(signal, &previous, &saved), 0);
        int fds[2];
        ASSERT_EQ(pipe2(fds, O_NONBLOCK), 0);
        g_previousCalls = 0;
        CEndingSignalHandlers::Reset();
        {
            CEndingSignalHandlers handlers(fds[1]);
            EXPECT_FALSE(CEndingSignalHandlers::Received());
            raise(signal);
            EXPECT_TRUE(CEndingSignalHandlers::Received());
            char byte = 0;
            EXPECT_EQ(read(fds[0], &byte, 1), 1);
            EXPECT_EQ(g_previousCalls, 0);
        }
        // Marked until reset, and the program's own handler is back.
        EXPECT_TRUE(CEndingSignalHandlers::Received());
        raise(signal);
        EXPECT_EQ(g_previousCalls, 1);
        CEndingSignalHandlers::Reset();
        EXPECT_FALSE(CEndingSignalHandlers::Received());
        sigaction(signal, &saved, nullptr);
        close(fds[0]);
        close(fds[1]);
    }
}

}  // namespace
}  // namespace corvane
