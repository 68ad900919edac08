// The downloader's settings: the engine's tuning values plus the output folder, the
// crawl depth and the HTTP credentials by URL prefix, shared by every worker of a run.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "crawl/checker_config.h"

namespace corvane {

struct CCredential {
    std::string m_strPrefix;
    std::string m_strUser;
    std::string m_strPassword;
};

class CDownloaderConfig : public CCheckerConfig {
public:
    // Each takes m_mutex for its duration.
    void SetFolder(const std::string& folder);
    std::string GetFolder();
    void SetLevel(int level);
    int GetLevel();
    void AddCredential(const std::string& prefix, const std::string& user,
                       const std::string& password);
    // The first credential whose prefix begins `url` (byte for byte): 1 with its user and
    // password; 0 and both left unchanged when none does.
    int FindCredential(const std::string& url, std::string& user, std::string& password);
    // Reserves a file name of the output folder for one page of the run: 1 when nobody
    // had it yet, 0 when an earlier page holds it (that page alone writes the file).
    int ClaimLocalName(const std::string& name);

private:
    std::string m_strFolder;
    // Deepest level whose pages still have their links followed. A project's default, so
    // that a configuration nobody set does not stop at the start page.
    int m_nLevel = 99;
    std::vector<CCredential> m_credentials;
    std::unordered_set<std::string> m_claimedNames;
};

}  // namespace corvane
