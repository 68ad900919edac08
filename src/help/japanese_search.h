// Gives a compiled help file a full-text index that finds Japanese words: after chmcmd has
// written the help file, its pages are tokenized again, a new index and word-breaker settings
// for code page 932 are put into the file's uncompressed section, and the file is replaced
// only when the rewritten one reads back with every other file unchanged.
#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace corvane {

struct CJapaneseSearchResult {
    bool bReplaced = false;
    bool bStopped = false;  // `stop` was set: the help file was left as it was
    std::string strReason;  // why the help file was left as the compiler wrote it
    size_t nPages = 0;      // pages indexed
    size_t nWords = 0;      // distinct words
};

// `helpPath`: the compiled help file (Shift_JIS path text). `pages`: the project's file
// names; the topics among them that are HTML pages are indexed (every HTML topic when the
// list is empty). `stop`, when given, is looked at between pages and files: once set, the
// work ends with the help file untouched and no temporary file left.
CJapaneseSearchResult RebuildJapaneseSearch(const std::string& helpPath,
                                            const std::vector<std::string>& pages,
                                            const std::atomic<bool>* stop = nullptr);

}  // namespace corvane
