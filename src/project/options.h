// The application options (help compiler path, reopen-last-project flag, last project, the
// help file's Japanese search and keyword index, the download size limits) kept in the options
// file, and where the options file and the rule files are found.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

class COptions {
public:
    COptions();

    // Reads the keys from the options file; a missing file or key keeps the value.
    void LoadOptions();
    // Writes the keys; failures are ignored, the program's exit must not stop on them.
    void SaveOptions();
    // The same against a given options file.
    void LoadOptions(const std::string& iniPath);
    void SaveOptions(const std::string& iniPath);

    std::string m_strHHWPath;
    // Compile with the compiler inside the program (1) or with the program at m_strHHWPath
    // (0). A fresh install starts with 1; an options file from before the choice existed
    // names its compiler and keeps it.
    int m_bBuiltinCompiler;
    int m_bOpenLastFile;
    std::string m_strLastFile;
    // Give help files made by chmcmd a full-text index that finds Japanese words (1, the
    // default), or keep chmcmd's own (0).
    int m_bJapaneseSearch;
    // Write a keyword index (.hhk) of every page into the help project (0 by default).
    int m_bKeywordIndex;
    // The largest page downloaded to be converted and the largest file saved as it comes,
    // in bytes (0: no limit). Read from "MaxPageSizeMB" and "MaxFileSizeMB", in megabytes;
    // never written, so the options file holds them only when the user adds them.
    std::uint64_t m_nMaxPageSize = std::uint64_t{64} << 20;
    std::uint64_t m_nMaxFileSize = std::uint64_t{2048} << 20;
    // The longest a page (with its redirects) may take to come back, however steadily its
    // bytes arrive, in seconds (0: no limit). Read from "PageTimeLimitSec"; never written.
    int m_nPageTimeLimit = 300;
    // How the crawl reaches the wiki ("ProxyType"): 0 through the proxy the environment
    // names (http_proxy, https_proxy, no_proxy), 1 directly, 2 through the proxy
    // "ProxyHost":"ProxyPort". Written once they leave their defaults.
    int m_nProxyType = 0;
    std::string m_strProxyHost;
    int m_nProxyPort = 8080;
    // What LoadOptions could not read: a number key whose value is no whole number in its
    // range kept its default, and says so here (key, value and default), for the log.
    std::vector<std::string> m_warnings;
};

// The compiler the options start with.
std::string DefaultHHWPath();

// The process's options object, made with the defaults on first use.
COptions& GetOptions();

// The options file: corvane.ini beside the program when present there (portable use),
// otherwise in the user's configuration folder.
std::string GetIniPath();

// The rule folder (ending with the separator): conf/ beside the program when present there,
// else in the user's configuration folder, else in the installed data folder.
std::string GetConfFolder();
// The places GetConfFolder looks for conf/, in its order (each ending with the separator).
std::vector<std::string> GetConfFolderCandidates();
std::string GetReplaceRulesPath();  // conf/replace.txt
std::string GetBodyRulesPath();     // conf/body.txt
std::string GetExcludeRulesPath();  // conf/exclude.txt

// The choice behind GetIniPath and GetConfFolder, for given folders (each empty or ending
// with the separator). A folder is used when the file (or folder) exists in it.
std::string ChooseIniPath(const std::string& programFolder, const std::string& userFolder);
std::string ChooseConfFolder(const std::string& programFolder, const std::string& userFolder,
                             const std::string& dataFolder);

}  // namespace corvane
