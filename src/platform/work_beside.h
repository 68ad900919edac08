// Long work that must not hold up the calling thread's window: the work runs on a thread of
// its own while the caller keeps painting and watches for a cancel.
#pragma once

#include <atomic>
#include <functional>

namespace corvane {

// Runs `work` on a new thread and returns once it has ended. Meanwhile the calling thread
// calls `waiting` and asks `cancel` (either may be empty) about every `pollMs`; once `cancel`
// says so, `stop` is set for the work to see and end early. An exception thrown by the work
// is thrown again here. Without a thread to be had, the work runs on the calling thread.
void RunBesideWaiting(const std::function<void()>& work, const std::function<void()>& waiting,
                      const std::function<bool()>& cancel, std::atomic<bool>& stop,
                      int pollMs = 20);

}  // namespace corvane
