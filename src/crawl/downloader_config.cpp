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

void CDownloaderConfig::AddCredential(const std::string& prefix, const std::string& user,
                                      const std::string& password) {
    Lock lock(m_mutex);
    m_credentials.push_back({prefix, user, password});
}

int CDownloaderConfig::FindCredential(const std::string& url, std::string& user,
                                      std::string& password) {
    Lock lock(m_mutex);
    for (const CCredential& credential : m_credentials) {
        // An empty prefix would hand the credentials to every host.
        if (credential.m_strPrefix.empty()) continue;
        if (url.compare(0, credential.m_strPrefix.size(), credential.m_strPrefix) == 0) {
            user = credential.m_strUser;
            password = credential.m_strPassword;
            return 1;
        }
    }
    return 0;
}

int CDownloaderConfig::ClaimLocalName(const std::string& name) {
    Lock lock(m_mutex);
    return m_claimedNames.insert(name).second ? 1 : 0;
}

}  // namespace corvane
