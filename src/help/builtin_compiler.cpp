#include "help/builtin_compiler.h"

#include <algorithm>
#include <boost/format.hpp>
#include <cerrno>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "chm/chm_writer.h"
#include "chm/fts_index.h"
#include "chm/objinst_writer.h"
#include "chm/system_files.h"
#include "help/help_project_file.h"
#include "help/search_tokenizer.h"
#include "platform/ascii.h"
#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/sjis.h"
#include "platform/sjis_text.h"
#include "platform/system_error.h"
#include "platform/text_codec.h"
#include "platform/work_beside.h"

namespace corvane {
namespace {

constinit CSjisText kCannotReadProject{"ヘルププロジェクトを読み込めません [%s]"};
constinit CSjisText kCannotRead{"ヘルプに含めるファイルを読み込めません [%s]"};
constinit CSjisText kBadName{"ヘルプに含められないファイル名です [%s]"};
constinit CSjisText kBadWindow{"ウィンドウ定義を読み取れません [%s]: %s"};
constinit CSjisText kCannotWrite{"ヘルプファイルを書き込めません [%s]"};
constinit CSjisText kProgress{"コンパイル中 %d / %d ファイル (%.1f MB)"};

constexpr uint32_t kCodePage = 932;
constexpr size_t kPieceBytes = size_t{1} << 20;

// A name with "/" for "\", the separator inside a help file; a Shift_JIS pair whose second
// byte is '\' stays whole.
std::string Slashed(const std::string& name) {
    std::string out = name;
    for (size_t i = 0; i < out.size(); ++i) {
        if (IsSjisLeadByte(static_cast<unsigned char>(out[i])) && i + 1 < out.size()) {
            ++i;
        } else if (out[i] == '\\') {
            out[i] = '/';
        }
    }
    return out;
}

// The system's reason for the last failure, after the text.
std::string WithReason(std::string text, int code) {
    std::string reason = code != 0 ? GetErrorText(code) : std::string();
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    if (!reason.empty()) text += ": " + reason;
    return text;
}

// "0x411 日本語" -> 0x411; 0x411 for anything else.
uint32_t ParseLanguage(const std::string& value) {
    const std::string lower = ToLowerAscii(value);
    if (lower.compare(0, 2, "0x") != 0) return 0x411;
    uint32_t lcid = 0;
    size_t i = 2;
    for (; i < lower.size() && i < 10; ++i) {
        const char c = lower[i];
        if (IsAsciiDigit(c)) {
            lcid = lcid * 16 + static_cast<uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            lcid = lcid * 16 + static_cast<uint32_t>(c - 'a' + 10);
        } else {
            break;
        }
    }
    return i == 2 ? 0x411 : lcid;
}

// The file name without its folder and extension.
std::string StemOf(const std::string& name) {
    const std::string slashed = Slashed(name);
    const size_t slash = slashed.rfind('/');
    std::string stem = slash == std::string::npos ? slashed : slashed.substr(slash + 1);
    const size_t dot = stem.rfind('.');
    if (dot != std::string::npos && dot > 0) stem.erase(dot);
    return stem;
}

// Tokenizes the pages for the topic table and the full-text index on a thread of its own,
// in the order they are given, while the compiling thread goes on reading and compressing.
class CPageIndexer {
public:
    CPageIndexer(bool fullText, const std::atomic<bool>& stop)
        : m_bFullText(fullText), m_stop(stop) {
        try {
            m_thread = std::thread([this] { Loop(); });
        } catch (const std::system_error&) {
            // No thread to be had: each page is indexed as it is given.
        }
    }
    ~CPageIndexer() { Finish(); }
    CPageIndexer(const CPageIndexer&) = delete;
    CPageIndexer& operator=(const CPageIndexer&) = delete;

    void Add(std::string local, std::string bytes) {
        if (!m_thread.joinable()) {
            Index(local, bytes);
            return;
        }
        std::unique_lock<std::mutex> lock(m_mutex);
        // A few dozen pages waiting keep the thread busy; more would only take memory.
        m_cvSpace.wait(lock, [&] { return m_queue.size() < 64; });
        m_queue.emplace_back(std::move(local), std::move(bytes));
        m_cvWork.notify_one();
    }

    // Waits until every page given is indexed; rethrows what the thread threw.
    void Finish() {
        if (m_thread.joinable()) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_bEnd = true;
            }
            m_cvWork.notify_one();
            m_thread.join();
        }
        if (m_failure) std::rethrow_exception(std::exchange(m_failure, nullptr));
    }

    CFtsIndexWriter& Search() { return m_search; }
    std::vector<CChmTopicEntry>& Topics() { return m_topics; }

private:
    void Index(const std::string& local, const std::string& bytes) {
        if (m_stop.load(std::memory_order_relaxed)) return;
        CSearchDocument page = TokenizeHelpPage(bytes);
        if (m_bFullText) m_search.AddDocument(static_cast<uint32_t>(m_topics.size()), page.tokens);
        m_topics.push_back({local, std::move(page.strTitle)});
    }
    void Loop() {
        for (;;) {
            std::pair<std::string, std::string> page;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_cvWork.wait(lock, [&] { return m_bEnd || !m_queue.empty(); });
                if (m_queue.empty()) return;
                page = std::move(m_queue.front());
                m_queue.pop_front();
            }
            m_cvSpace.notify_one();
            try {
                Index(page.first, page.second);
            } catch (...) {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (!m_failure) m_failure = std::current_exception();
            }
        }
    }

    bool m_bFullText;
    const std::atomic<bool>& m_stop;
    CFtsIndexWriter m_search;
    std::vector<CChmTopicEntry> m_topics;
    std::mutex m_mutex;
    std::condition_variable m_cvWork, m_cvSpace;
    std::deque<std::pair<std::string, std::string>> m_queue;
    bool m_bEnd = false;
    std::exception_ptr m_failure;
    std::thread m_thread;
};

}  // namespace

void CBuiltinCompiler::Log(const std::string& line) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.push_back(line);
}

bool CBuiltinCompiler::Compile(const std::string& folder, const std::string& projectName,
                               std::string& error) {
    m_stats = CBuiltinCompileStats();
    m_bStop = false;
    m_bCancelled = false;
    m_lines.clear();
    // The caller's thread hands on log lines and keeps its window alive until the compiling
    // thread is done; the lines it left go out after it.
    auto handOn = [this] {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_lines.empty()) {
            const std::string line = std::move(m_lines.front());
            m_lines.pop_front();
            lock.unlock();
            if (m_fnLog) m_fnLog(line);
            lock.lock();
        }
    };
    bool result = false;
    RunBesideWaiting([&] { result = Run(folder, projectName, error); },
                     [&] {
                         handOn();
                         if (m_fnWaiting) m_fnWaiting();
                     },
                     m_fnCancel, m_bStop);
    handOn();
    if (!result && IsStopped()) {
        m_bCancelled = true;
        error.clear();
    }
    return result;
}

bool CBuiltinCompiler::Run(const std::string& folder, const std::string& projectName,
                           std::string& error) {
    std::string text;
    if (!ReadWholeFile(folder + projectName, text)) {
        error = WithReason((boost::format(kCannotReadProject.str()) % (folder + projectName)).str(),
                           errno);
        return false;
    }
    const CHelpProjectFile project = ParseHelpProjectFile(text);
    const std::string compiled = project.Get("compiled file", StemOf(projectName) + ".chm");
    const std::string contents = project.Get("contents file");
    const std::string index = project.Get("index file");
    for (const std::string& name : {compiled, contents, index}) {
        if (!name.empty() && !IsLocalFileName(name)) {
            error = (boost::format(kBadName.str()) % name).str();
            return false;
        }
    }
    const bool fullText = EqualsNoCaseAscii(project.Get("full-text search", "No"), "Yes");
    const uint32_t lcid = ParseLanguage(project.Get("language", "0x411"));
    std::vector<CChmWindow> windows;
    for (const std::string& line : project.windows) {
        CChmWindow window;
        std::string why;
        if (!ParseWindowDefinition(line, window, why)) {
            error = (boost::format(kBadWindow.str()) % line % why).str();
            return false;
        }
        windows.push_back(window);
    }

    CChmWriterSettings settings;
    settings.nLcid = lcid;
    settings.nTimestamp = static_cast<uint32_t>(std::time(nullptr));
    settings.nThreads = m_nThreads;
    settings.pStop = &m_bStop;
    CChmWriter writer(settings);
    CPageIndexer indexer(fullText, m_bStop);

    // The listed files first, in their order, then the contents and keyword files when the
    // list does not hold them. Each is read once and goes straight into the section.
    std::vector<std::string> names = project.files;
    for (const std::string& name : {contents, index}) {
        if (!name.empty()) names.push_back(name);
    }
    const size_t listed = project.files.size();
    // At most ten progress lines, the last one at the end.
    const size_t step = std::max<size_t>(1, (names.size() + 9) / 10);
    std::string bytes;
    for (size_t i = 0; i < names.size(); ++i) {
        if (IsStopped()) return false;
        const std::string& name = names[i];
        if (!IsLocalFileName(name)) {
            error = (boost::format(kBadName.str()) % name).str();
            return false;
        }
        const std::string local = Slashed(name);
        const std::string stored = "/" + SjisToUtf8(local);
        if (writer.HasFile(stored)) continue;  // listed twice
        if (i < listed && IsHelpPageName(local)) {
            // A page is read whole: it goes to the index as well.
            if (!ReadWholeFile(folder + local, bytes)) {
                error = WithReason((boost::format(kCannotRead.str()) % name).str(), errno);
                return false;
            }
            writer.AddFile(stored, bytes);
            m_stats.nInputBytes += bytes.size();
            indexer.Add(local, std::move(bytes));
        } else {
            // Anything else goes in as it is read, a megabyte at a time: a big attachment
            // takes no memory of its size and an abort need not wait for all of it.
            writer.StartFile(stored);
            if (!ReadFileInPieces(folder + local, kPieceBytes, [&](std::string_view piece) {
                    writer.Append(piece);
                    m_stats.nInputBytes += piece.size();
                    return !IsStopped();
                })) {
                error = WithReason((boost::format(kCannotRead.str()) % name).str(), errno);
                return false;
            }
        }
        ++m_stats.nFiles;
        if ((i + 1) % step == 0 || i + 1 == names.size()) {
            Log((boost::format(kProgress.str()) % (i + 1) % names.size() %
                 (static_cast<double>(m_stats.nInputBytes) / (1024.0 * 1024.0)))
                    .str());
        }
    }
    bytes = std::string();
    indexer.Finish();
    const std::vector<CChmTopicEntry>& topics = indexer.Topics();
    CFtsIndexWriter& search = indexer.Search();

    if (IsStopped()) return false;
    // The system files: the topic tables and the window definitions point into #STRINGS.
    CChmStringTable strings;
    const CChmTopicFiles topicFiles = BuildTopicFiles(topics, strings);
    const std::string windowsFile = BuildWindowsFile(windows, strings);
    std::string hhc;
    const bool folderImages = !contents.empty() && ReadWholeFile(folder + Slashed(contents), hhc) &&
                              hhc.find("\"ImageType\" value=\"Folder\"") != std::string::npos;
    const std::string idxhdr = BuildIdxHdr(static_cast<uint32_t>(topics.size()), folderImages);

    CChmSystemInfo info;
    info.nLcid = lcid;
    info.nTimestamp = settings.nTimestamp;
    info.strContentsFile = contents;
    info.strIndexFile = index;
    info.strDefaultTopic = project.Get("default topic");
    info.strTitle = project.Get("title");
    info.strDefaultWindow = project.Get("default window");
    info.strDefaultFont = project.Get("default font");
    info.strCompiledName = StemOf(compiled);
    info.bFullTextSearch = fullText;
    info.strIdxHdr = idxhdr;

    writer.AddFile("/#SYSTEM", BuildSystemFile(info), false);
    writer.AddFile("/#ITBITS", "", false);
    writer.AddFile("/#IDXHDR", idxhdr);
    writer.AddFile("/#TOPICS", topicFiles.strTopics);
    writer.AddFile("/#URLTBL", topicFiles.strUrlTbl);
    writer.AddFile("/#URLSTR", topicFiles.strUrlStr);
    if (!windows.empty()) writer.AddFile("/#WINDOWS", windowsFile);
    writer.AddFile("/#STRINGS", strings.GetBytes());
    if (fullText) {
        // Readers take the index out through the section like any other file, so it is
        // compressed with the pages: it is the biggest system file by far.
        writer.AddFile("/$FIftiMain",
                       search.Write(kCodePage, lcid, static_cast<uint32_t>(topics.size())));
        writer.AddFile("/$OBJINST", BuildJapaneseObjInst(), false);
        m_stats.nWords = search.WordCount();
    }
    m_stats.nTopics = topics.size();

    // Straight from the writer into a temporary file beside the old one, which it replaces
    // once complete and on the disk; a stop or a failure takes the temporary file away.
    CAtomicFile file(ToNativePath(folder + compiled));
    uint64_t written = 0;
    const bool made = file.Open() && writer.Finish([&](std::string_view piece) {
        written += piece.size();
        return file.Write(piece.data(), piece.size());
    });
    if (IsStopped()) return false;
    if (!made || !file.Sync() || !file.Commit()) {
        // A link in the help file's place is refused, with the same words as elsewhere.
        error = (boost::format(kCannotWrite.str()) % (folder + compiled)).str() + ": " +
                WriteErrorText(file.ErrorCode());
        return false;
    }
    m_stats.nOutputBytes = written;
    return true;
}

}  // namespace corvane
