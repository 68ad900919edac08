// The page list of a crawl run, shared by every worker: pages in the order they became
// known, handed out one at a time; each URL (exact bytes) enters once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

namespace corvane {

template <class T>
class CPageList {
public:
    using Lock = std::lock_guard<std::recursive_timed_mutex>;

    // Replaces the pages by a copy of `pages` and starts handing out from the first.
    void Assign(const std::vector<T*>& pages) {
        Lock lock(m_mutex);
        m_pages = pages;
        m_urls.clear();
        for (T* page : m_pages) m_urls.insert(page->URL());
        m_nNext = 0;
        m_nActive = 0;
    }

    int Size() {
        Lock lock(m_mutex);
        return static_cast<int>(m_pages.size());
    }

    // The next page not handed out yet, or null.
    T* Next() {
        Lock lock(m_mutex);
        if (m_nNext < static_cast<int>(m_pages.size())) return m_pages[m_nNext++];
        return nullptr;
    }

    // Appends the page unless a page with the same URL (byte for byte, letter case
    // counts) is known already: 0 then, and the caller keeps (and deletes) its page.
    int Add(T* page) {
        Lock lock(m_mutex);
        if (!m_urls.insert(page->URL()).second) return 0;
        m_pages.push_back(page);
        if (m_nWaiting > 0) m_cv.notify_all();
        return 1;
    }

    void EnterActive() {
        Lock lock(m_mutex);
        ++m_nActive;
    }
    void LeaveActive() {
        Lock lock(m_mutex);
        --m_nActive;
        if (m_nActive < 1 && m_nWaiting > 0) m_cv.notify_all();
    }
    int ActiveCount() {
        Lock lock(m_mutex);
        return m_nActive;
    }

    // For an idle worker: waits until a page is there to hand out, no worker is active any
    // more (nobody can add pages then), Wake is called, or `timeout` has passed. The caller
    // must not hold the list's mutex.
    void WaitForWork(std::chrono::milliseconds timeout) {
        std::unique_lock<std::recursive_timed_mutex> lock(m_mutex);
        const std::uint64_t wakes = m_nWakes;
        ++m_nWaiting;
        m_cv.wait_for(lock, timeout, [&] {
            return m_nNext < static_cast<int>(m_pages.size()) || m_nActive < 1 || m_nWakes != wakes;
        });
        --m_nWaiting;
    }
    // Ends every WaitForWork at once (a stop of the run).
    void Wake() {
        Lock lock(m_mutex);
        ++m_nWakes;
        m_cv.notify_all();
    }

    // A copy of the pages.
    std::vector<T*> Pages() {
        Lock lock(m_mutex);
        return m_pages;
    }

    std::recursive_timed_mutex m_mutex;

private:
    std::vector<T*> m_pages;
    // The URLs of m_pages, so that the duplicate test does not scan the list.
    std::unordered_set<std::string> m_urls;
    int m_nNext = 0;
    int m_nActive = 0;
    // Idle workers wait here instead of looking again after a fixed pause.
    std::condition_variable_any m_cv;
    int m_nWaiting = 0;
    std::uint64_t m_nWakes = 0;
};

}  // namespace corvane
