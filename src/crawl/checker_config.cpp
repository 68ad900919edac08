#include "crawl/checker_config.h"

namespace corvane {

int CCheckerConfig::GetWaitForNewPages() {
    std::lock_guard<std::recursive_timed_mutex> lock(m_mutex);
    return m_bWaitForNewPages;
}

void CCheckerConfig::SetWaitForNewPages(int wait) {
    std::lock_guard<std::recursive_timed_mutex> lock(m_mutex);
    m_bWaitForNewPages = wait;
}

}  // namespace corvane
