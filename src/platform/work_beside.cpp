#include "platform/work_beside.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace corvane {

void RunBesideWaiting(const std::function<void()>& work, const std::function<void()>& waiting,
                      const std::function<bool()>& cancel, std::atomic<bool>& stop, int pollMs) {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::exception_ptr failure;
    auto body = [&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
        ended.notify_all();
    };
    std::thread thread;
    try {
        thread = std::thread(body);
    } catch (const std::system_error&) {
        body();
    }
    std::unique_lock<std::mutex> lock(mutex);
    while (!done) {
        lock.unlock();
        if (waiting) waiting();
        if (cancel && !stop.load() && cancel()) stop = true;
        lock.lock();
        ended.wait_for(lock, std::chrono::milliseconds(pollMs), [&] { return done; });
    }
    lock.unlock();
    if (thread.joinable()) thread.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace corvane
