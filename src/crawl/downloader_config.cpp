#include "crawl/downloader_config.h"

namespace corvane {

using Lock = std::lock_guard<std::recursive_timed_mutex>;

void CDownloaderConfig::SetFolder(const std::string& folder) {
    Lock lock(m_mutex);
    m_strFolder = folder;
}

std::string CDownloaderConfig::GetFolder() {
    Lock lock(m_mutex);
    return m_strFolder;
}

void CDownloaderConfig::SetLevel(int level) {
    Lock lock(m_mutex);
    m_nLevel = level;
}

int CDownloaderConfig::GetLevel() {
    Lock lock(m_mutex);
    return m_nLevel;
}

bool CDownloaderConfig::ClaimLocalName(const std::string& name) {
    Lock lock(m_mutex);
    return m_claimedNames.insert(name).second;
}

}  // namespace corvane
