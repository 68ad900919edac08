// The file names of one run's output folder, shared by every worker's page filter: each
// target (a page, an attachment, a file) keeps one name for the whole run, and no two
// targets get names that differ only in letter case, since the help file's names are
// case-insensitive.
#pragma once

#include <mutex>
#include <string>
#include <unordered_map>

namespace corvane {

class CLocalNames {
public:
    // The name under which the target `url` is saved and linked: LocalFileName's, unless
    // another target of the run holds that name already (or one that differs only in letter
    // case); then the name with "_2", "_3"... before its extension. A fragment stays attached.
    // Empty when the URL has no name.
    std::string Assign(const std::string& url, const std::string& scriptUrl);

private:
    std::mutex m_mutex;
    std::unordered_map<std::string, std::string> m_byTarget;  // target → name
    std::unordered_map<std::string, std::string> m_byFolded;  // folded name → target
};

}  // namespace corvane
