#include "crawl/checker_config.h"

namespace corvane {

bool CCheckerConfig::GetWaitForNewPages() {
    std::lock_guard<std::recursive_timed_mutex> lock(m_mutex);
    return m_bWaitForNewPages;
}

void CCheckerConfig::SetWaitForNewPages(bool wait) {
    std::lock_guard<std::recursive_timed_mutex> lock(m_mutex);
    m_bWaitForNewPages = wait;
}

}  // namespace corvane
