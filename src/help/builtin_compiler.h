// The built-in help compiler: reads the help project (.hhp) in the output folder, takes each
// file it lists once from the disk into the help file's compressed section (pages are
// tokenized on the way for the Japanese full-text index and the topic table), adds the system
// files a viewer reads, and replaces the .chm only when the new one is complete. The work
// runs on a thread of its own; the calling thread meanwhile hands on the log lines, keeps
// its window painting and asks whether the user has cancelled.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
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

    // Progress lines (files, megabytes) go to the log; `waiting` is called every few
    // hundredths of a second until the compile ends so that a window stays responsive.
    // Both are called on the thread that called Compile, as is `cancel`.
    void SetLog(LogFunction log) { m_fnLog = std::move(log); }
    void SetWaiting(std::function<void()> waiting) { m_fnWaiting = std::move(waiting); }
    // Asked as often: true stops the compile between two files or two compressed intervals;
    // the old help file stays and no temporary file is left (Compile false, WasCancelled
    // true, `error` empty).
    void SetCancel(std::function<bool()> cancel) { m_fnCancel = std::move(cancel); }
    bool WasCancelled() const { return m_bCancelled; }
    // Compression threads (0: one per processor).
    void SetThreads(unsigned threads) { m_nThreads = threads; }

    // `folder`: the output folder ending with a separator; `projectName`: the .hhp in it
    // (Shift_JIS texts). False with a message for the user in `error` (which file could not
    // be read, the help file that could not be written); the old help file is kept then.
    bool Compile(const std::string& folder, const std::string& projectName, std::string& error);

    const CBuiltinCompileStats& GetStats() const { return m_stats; }

private:
    // The compile itself, on the compiling thread.
    bool Run(const std::string& folder, const std::string& projectName, std::string& error);
    // Queues a line for the calling thread.
    void Log(const std::string& line);
    bool IsStopped() const { return m_bStop.load(std::memory_order_relaxed); }

    LogFunction m_fnLog;
    std::function<void()> m_fnWaiting;
    std::function<bool()> m_fnCancel;
    std::atomic<bool> m_bStop{false};
    bool m_bCancelled = false;
    std::mutex m_mutex;
    std::deque<std::string> m_lines;  // log lines not yet handed on
    unsigned m_nThreads = 0;
    CBuiltinCompileStats m_stats;
};

}  // namespace corvane
