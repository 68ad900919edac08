// The built-in help compiler: reads the help project (.hhp) in the output folder, takes each
// file it lists once from the disk into the help file's compressed section (pages are
// tokenized on the way for the Japanese full-text index and the topic table), adds the system
// files a viewer reads, and replaces the .chm only when the new one is complete.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace corvane {

struct CBuiltinCompileStats {
    size_t nFiles = 0;          // files taken into the help file
    uint64_t nInputBytes = 0;   // their bytes
    size_t nTopics = 0;         // pages in the topic table
    size_t nWords = 0;          // distinct words of the full-text index (0: no index)
    uint64_t nOutputBytes = 0;  // size of the help file written
};

class CBuiltinCompiler {
public:
    using LogFunction = std::function<void(const std::string& line)>;

    // Progress lines (files, megabytes) go to the log; `waiting` is called between files so
    // that a window stays responsive.
    void SetLog(LogFunction log) { m_fnLog = std::move(log); }
    void SetWaiting(std::function<void()> waiting) { m_fnWaiting = std::move(waiting); }
    // Compression threads (0: one per processor).
    void SetThreads(unsigned threads) { m_nThreads = threads; }

    // `folder`: the output folder ending with a separator; `projectName`: the .hhp in it
    // (Shift_JIS texts). False with a message for the user in `error` (which file could not
    // be read, the help file that could not be written); the old help file is kept then.
    bool Compile(const std::string& folder, const std::string& projectName, std::string& error);

    const CBuiltinCompileStats& GetStats() const { return m_stats; }

private:
    void Log(const std::string& line) const;

    LogFunction m_fnLog;
    std::function<void()> m_fnWaiting;
    unsigned m_nThreads = 0;
    CBuiltinCompileStats m_stats;
};

}  // namespace corvane
