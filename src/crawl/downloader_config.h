// The downloader's settings: the engine's tuning values plus the output folder, the
// crawl depth and the file names claimed so far, shared by every worker of a run.
#pragma once

#include <string>
#include <unordered_set>

#include "crawl/checker_config.h"

namespace corvane {

class CDownloaderConfig : public CCheckerConfig {
public:
    // Each takes m_mutex for its duration.
    void SetFolder(const std::string& folder);
    std::string GetFolder();
    void SetLevel(int level);
    int GetLevel();
    // Reserves a file name of the output folder for one page of the run: true when nobody
    // had it yet, false when an earlier page holds it (that page alone writes the file).
    bool ClaimLocalName(const std::string& name);

private:
    std::string m_strFolder;
    // Deepest level whose pages still have their links followed. A project's default, so
    // that a configuration nobody set does not stop at the start page.
    int m_nLevel = 99;
    std::unordered_set<std::string> m_claimedNames;
};

}  // namespace corvane
