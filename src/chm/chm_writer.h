// Writes a compiled help file from scratch. Files are added one at a time; those meant for
// the compressed section are cut into reset intervals that worker threads compress while
// more files are added, so the uncompressed bytes are held only an interval or a few at a
// time. Finish lays out the directory, section 0 (the files kept uncompressed and the
// compressed section's control files) and the compressed content.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "chm/chm_container.h"
#include "chm/lzx_encoder.h"

namespace corvane {

struct CChmWriterSettings {
    uint32_t nLcid = 0x411;
    uint32_t nTimestamp = 0;
    // Worker threads for the compression (0: one per processor).
    unsigned nThreads = 0;
    // The LZX window (2^16 = 64 KB, two frames) and the frames between two resets, the
    // values help viewers are known to handle.
    unsigned nWindowBits = 16;
    uint32_t nIntervalFrames = 2;
    uint32_t nChunkSize = 0x1000;
    // Set by another thread to stop early: the workers leave the intervals still waiting
    // uncompressed and Finish gives no file. Null: never stopped.
    const std::atomic<bool>* pStop = nullptr;
};

class CChmWriter {
public:
    explicit CChmWriter(const CChmWriterSettings& settings = {});
    ~CChmWriter();
    CChmWriter(const CChmWriter&) = delete;
    CChmWriter& operator=(const CChmWriter&) = delete;

    // Adds a file under `name` as the directory stores it ("/page.html"). False, and nothing
    // added, when a file of that name (ASCII case folded, as readers look names up) is there.
    bool AddFile(const std::string& name, std::string_view bytes, bool compressed = true);
    // The same for a file of the compressed section that comes in pieces: StartFile adds it
    // empty, each Append adds to it, until the next file is added.
    bool StartFile(const std::string& name);
    void Append(std::string_view bytes);
    bool HasFile(const std::string& name) const;

    // Hands the whole help file to `write` piece by piece; false when `write` does or the
    // stop flag was set. The writer is spent afterwards.
    using WriteFunction = std::function<bool(std::string_view bytes)>;
    bool Finish(const WriteFunction& write);
    // The whole help file at once (empty when stopped).
    std::string Finish();

private:
    struct CJob {
        uint64_t nSequence = 0;
        std::string strData;
    };
    void SubmitInterval();
    void WorkerLoop();
    // Appends the finished intervals in order, waiting until at most `maxInFlight` submitted
    // ones are left.
    void Collect(uint64_t maxInFlight);
    bool IsStopped() const {
        return m_settings.pStop != nullptr && m_settings.pStop->load(std::memory_order_relaxed);
    }

    CChmWriterSettings m_settings;
    size_t m_nIntervalBytes;
    std::vector<CChmEntry> m_entries;
    size_t m_nOpen = SIZE_MAX;               // the entry Append adds to
    std::map<std::string, size_t> m_folded;  // names in lower case -> index in m_entries
    std::string m_section0;
    std::string m_pending;  // the interval being filled
    uint64_t m_nUncompressed = 0;

    // Compressed content, an interval a piece, and the compressed offset of every frame.
    std::vector<std::string> m_content;
    uint64_t m_nContentBytes = 0;
    std::vector<uint64_t> m_resetTable;

    std::mutex m_mutex;
    std::condition_variable m_cvJobs;
    std::condition_variable m_cvDone;
    std::vector<CJob> m_jobs;  // waiting, oldest first
    std::map<uint64_t, CLzxInterval> m_done;
    uint64_t m_nSubmitted = 0;
    uint64_t m_nCollected = 0;
    bool m_bStopping = false;
    std::vector<std::thread> m_workers;
};

}  // namespace corvane
