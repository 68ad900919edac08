// The page list of a crawl run, shared by every worker: pages in the order they became
// known, handed out one at a time; each URL (exact bytes) enters once.
#pragma once

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
        return 1;
    }

    void EnterActive() {
        Lock lock(m_mutex);
        ++m_nActive;
    }
    void LeaveActive() {
        Lock lock(m_mutex);
        --m_nActive;
    }
    int ActiveCount() {
        Lock lock(m_mutex);
        return m_nActive;
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
};

}  // namespace corvane
