#include "chm/chm_writer.h"
#include "chm/le_append.h"

#include <algorithm>

#include "platform/ascii.h"

namespace corvane {
namespace {

constexpr const char* kContentName = "::DataSpace/Storage/MSCompressed/Content";
constexpr const char* kTransformGuid = "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}";

// ASCII text as UTF-16LE, the way the data-space files name things.
void AppendUtf16(std::string& b, std::string_view ascii) {
    for (char c : ascii) Append16(b, static_cast<unsigned char>(c));
}

// The names of the two sections: word count of the file, section count, then each name as
// length, UTF-16 characters and a terminating zero.
std::string NameList() {
    std::string b;
    Append16(b, 0);  // length in words, filled below
    Append16(b, 2);
    for (std::string_view name : {"Uncompressed", "MSCompressed"}) {
        Append16(b, static_cast<uint32_t>(name.size()));
        AppendUtf16(b, name);
        Append16(b, 0);
    }
    const uint32_t words = static_cast<uint32_t>(b.size() / 2);
    b[0] = static_cast<char>(words & 0xFF);
    b[1] = static_cast<char>(words >> 8);
    return b;
}

}  // namespace

CChmWriter::CChmWriter(const CChmWriterSettings& settings)
    : m_settings(settings), m_nIntervalBytes(size_t{settings.nIntervalFrames} * kLzxFrameBytes) {
    unsigned threads = settings.nThreads;
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    m_settings.nThreads = threads;
    m_pending.reserve(m_nIntervalBytes);
    for (unsigned i = 0; i < threads; ++i) m_workers.emplace_back([this] { WorkerLoop(); });
}

CChmWriter::~CChmWriter() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
    }
    m_cvJobs.notify_all();
    for (std::thread& worker : m_workers) worker.join();
}

bool CChmWriter::HasFile(const std::string& name) const {
    return m_folded.count(ToLowerAscii(name)) != 0;
}

bool CChmWriter::AddFile(const std::string& name, std::string_view bytes, bool compressed) {
    if (!m_folded.emplace(ToLowerAscii(name), m_entries.size()).second) return false;
    if (!compressed) {
        m_nOpen = SIZE_MAX;
        m_entries.push_back({name, 0, m_section0.size(), bytes.size()});
        m_section0.append(bytes);
        return true;
    }
    m_nOpen = m_entries.size();
    m_entries.push_back({name, 1, m_nUncompressed, 0});
    Append(bytes);
    return true;
}

bool CChmWriter::StartFile(const std::string& name) {
    if (!m_folded.emplace(ToLowerAscii(name), m_entries.size()).second) return false;
    m_nOpen = m_entries.size();
    m_entries.push_back({name, 1, m_nUncompressed, 0});
    return true;
}

void CChmWriter::Append(std::string_view bytes) {
    if (m_nOpen == SIZE_MAX) return;  // no file of the compressed section to add to
    m_entries[m_nOpen].nLength += bytes.size();
    m_nUncompressed += bytes.size();
    while (!bytes.empty()) {
        // Once stopped, a big file is not cut into intervals that nobody will compress.
        if (IsStopped()) return;
        const size_t take = std::min(bytes.size(), m_nIntervalBytes - m_pending.size());
        m_pending.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (m_pending.size() == m_nIntervalBytes) SubmitInterval();
    }
}

void CChmWriter::SubmitInterval() {
    // A few intervals per thread in flight keep every core busy while the memory held stays
    // a small multiple of an interval.
    Collect(4ull * m_settings.nThreads - 1);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back({m_nSubmitted++, std::move(m_pending)});
    }
    m_cvJobs.notify_one();
    m_pending = std::string();
    m_pending.reserve(m_nIntervalBytes);
}

void CChmWriter::WorkerLoop() {
    for (;;) {
        CJob job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_cvJobs.wait(lock, [&] { return m_bStopping || !m_jobs.empty(); });
            if (m_jobs.empty()) return;
            job = std::move(m_jobs.front());
            m_jobs.erase(m_jobs.begin());
        }
        // Once stopped, what is left is only waited for, not compressed.
        CLzxInterval interval;
        if (!IsStopped()) interval = LzxCompressInterval(job.strData, m_settings.nWindowBits);
        job.strData = std::string();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done.emplace(job.nSequence, std::move(interval));
        }
        m_cvDone.notify_all();
    }
}

void CChmWriter::Collect(uint64_t maxInFlight) {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        auto next = m_done.find(m_nCollected);
        if (next == m_done.end()) {
            if (m_nSubmitted - m_nCollected <= maxInFlight) return;
            m_cvDone.wait(lock);
            continue;
        }
        CLzxInterval interval = std::move(next->second);
        m_done.erase(next);
        ++m_nCollected;
        lock.unlock();
        for (uint64_t offset : interval.frameOffsets) {
            m_resetTable.push_back(m_nContentBytes + offset);
        }
        m_nContentBytes += interval.strBytes.size();
        m_content.push_back(std::move(interval.strBytes));
        lock.lock();
    }
}

std::string CChmWriter::Finish() {
    std::string out;
    if (!Finish([&](std::string_view bytes) {
            out.append(bytes);
            return true;
        })) {
        return std::string();
    }
    return out;
}

bool CChmWriter::Finish(const WriteFunction& write) {
    // Readers decode whole frames up to the end of an interval (libmspack rounds the length
    // up to one), so the last interval is padded with zeros; the lengths stay the true ones.
    if (!m_pending.empty()) {
        m_pending.resize(m_nIntervalBytes, '\0');
        SubmitInterval();
    }
    Collect(0);
    if (IsStopped()) return false;

    // The compressed section's description, all in section 0.
    const std::string space = "::DataSpace/Storage/MSCompressed/";
    std::string control;
    Append32(control, 6);  // words that follow
    control += "LZXC";
    Append32(control, 2);  // version 2: sizes in frames
    Append32(control, m_settings.nIntervalFrames);
    Append32(control, (1u << m_settings.nWindowBits) / kLzxFrameBytes);
    Append32(control, 1);  // windows per reset
    Append32(control, 0);
    std::string span;
    Append64(span, m_nUncompressed);
    std::string transforms;
    AppendUtf16(transforms, kTransformGuid);
    std::string reset;
    Append32(reset, 2);
    Append32(reset, static_cast<uint32_t>(m_resetTable.size()));
    Append32(reset, 8);
    Append32(reset, 0x28);
    Append64(reset, m_nUncompressed);
    Append64(reset, m_nContentBytes);
    Append64(reset, kLzxFrameBytes);
    for (uint64_t offset : m_resetTable) Append64(reset, offset);

    AddFile("::DataSpace/NameList", NameList(), false);
    AddFile(space + "ControlData", control, false);
    AddFile(space + "SpanInfo", span, false);
    AddFile(space + "Transform/List", transforms, false);
    AddFile(space + "Transform/" + kTransformGuid + "/InstanceData/ResetTable", reset, false);
    // The content stays where it is: its entry points past the other section-0 files.
    m_folded.emplace(ToLowerAscii(kContentName), m_entries.size());
    m_entries.push_back({kContentName, 0, m_section0.size(), m_nContentBytes});

    std::vector<CChmEntry> entries = m_entries;
    std::stable_sort(entries.begin(), entries.end(), [](const CChmEntry& a, const CChmEntry& b) {
        return CChmContainer::CompareNames(a.strName, b.strName) < 0;
    });
    const CChmDirectory directory = WriteChmDirectory(entries, m_settings.nChunkSize);
    if (!write(WriteChmPrefix(directory, m_settings.nChunkSize, m_settings.nLcid,
                              m_settings.nTimestamp, m_section0.size() + m_nContentBytes)) ||
        !write(m_section0)) {
        return false;
    }
    m_section0 = std::string();
    for (std::string& piece : m_content) {
        if (IsStopped() || !write(piece)) return false;
        piece = std::string();
    }
    return !IsStopped();
}

}  // namespace corvane
