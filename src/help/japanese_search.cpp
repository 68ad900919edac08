#include "help/japanese_search.h"

#include <filesystem>
#include <fstream>
#include <set>

#include "chm/chm_container.h"
#include "chm/chm_file_reader.h"
#include "chm/fts_index.h"
#include "chm/objinst_writer.h"
#include "help/search_tokenizer.h"
#include "platform/file_io.h"
#include "platform/text_codec.h"

namespace corvane {
namespace {

constexpr const char* kIndexName = "/$FIftiMain";
constexpr const char* kBreakerName = "/$OBJINST";
constexpr uint32_t kCodePage = 932;
constexpr uint32_t kLcid = 0x411;

// Names as the help file stores them: "/" separators.
std::string Slashed(std::string name) {
    for (char& c : name) {
        if (c == '\\') c = '/';
    }
    return name;
}

bool WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (out) out.close();
    return static_cast<bool>(out);
}

bool IsSet(const std::atomic<bool>* stop) { return stop != nullptr && stop->load(); }

// The rewritten file at `path` against the original: the same directory apart from the two
// search files, every other file giving back the same bytes through chmlib, the search
// files as written. False at once when `stop` is set.
bool Verify(const CChmContainer& before, const CChmFileReader& original,
            const std::string& rewrittenBytes, const std::string& path, const std::string& index,
            const std::string& breaker, const std::atomic<bool>* stop, std::string& error) {
    CChmContainer after;
    if (!after.Parse(rewrittenBytes, error)) {
        error = "the rewritten help file does not parse: " + error;
        return false;
    }
    std::set<std::string> namesBefore, namesAfter;
    for (const CChmEntry& entry : before.GetEntries()) namesBefore.insert(entry.strName);
    for (const CChmEntry& entry : after.GetEntries()) namesAfter.insert(entry.strName);
    namesBefore.insert(kIndexName);
    namesBefore.insert(kBreakerName);
    if (namesBefore != namesAfter || after.GetEntries().size() != namesAfter.size()) {
        error = "the rewritten help file lists other files";
        return false;
    }
    CChmFileReader rewritten;
    if (!rewritten.Open(path)) {
        error = "the rewritten help file does not open";
        return false;
    }
    for (const std::string& name : namesAfter) {
        if (IsSet(stop)) return false;
        std::string a, b;
        if (!rewritten.Read(name, b)) {
            error = "the rewritten help file does not give back " + name;
            return false;
        }
        if (name == kIndexName || name == kBreakerName) {
            if (b != (name == kIndexName ? index : breaker)) {
                error = name + " reads back changed";
                return false;
            }
            continue;
        }
        if (!original.Read(name, a) || a != b) {
            error = name + " reads back changed";
            return false;
        }
    }
    CFtsIndexReader check;
    if (!check.Parse(index, error)) {
        error = "the new index does not read back: " + error;
        return false;
    }
    return true;
}

}  // namespace

CJapaneseSearchResult RebuildJapaneseSearch(const std::string& helpPath,
                                            const std::vector<std::string>& pages,
                                            const std::atomic<bool>* stop) {
    CJapaneseSearchResult result;
    auto stopped = [&] {
        result.bStopped = IsSet(stop);
        if (result.bStopped) result.strReason = "stopped";
        return result.bStopped;
    };
    std::string bytes;
    if (!ReadWholeFile(helpPath, bytes)) {
        result.strReason = "the help file cannot be read";
        return result;
    }
    CChmContainer container;
    if (!container.Parse(bytes, result.strReason)) return result;

    CChmFileReader reader;
    if (!reader.Open(helpPath)) {
        result.strReason = "chmlib cannot open the help file";
        return result;
    }
    std::vector<CChmTopic> topics;
    if (!ReadChmTopics(reader, topics, result.strReason)) return result;

    std::set<std::string> listed;
    for (const std::string& page : pages) {
        if (IsHelpPageName(page)) listed.insert(Slashed(page));
    }
    CFtsIndexWriter writer;
    std::set<std::string> done;
    for (const CChmTopic& topic : topics) {
        const std::string local = Slashed(topic.strLocal);
        const bool wanted = pages.empty() ? IsHelpPageName(local) : listed.count(local) != 0;
        if (!wanted || !done.insert(local).second) continue;
        if (stopped()) return result;
        std::string html;
        if (!reader.Read("/" + local, html)) {
            result.strReason = "page " + local + " cannot be read from the help file";
            return result;
        }
        writer.AddDocument(topic.nIndex, TokenizeHelpPage(html).tokens);
    }
    if (writer.DocumentCount() == 0) {
        result.strReason = "no page of the project is a topic of the help file";
        return result;
    }
    if (stopped()) return result;
    const std::string index = writer.Write(kCodePage, kLcid, static_cast<uint32_t>(topics.size()));
    const std::string breaker = BuildJapaneseObjInst();
    container.PutSection0File(kIndexName, index);
    container.PutSection0File(kBreakerName, breaker);
    const std::string rewritten = container.Write();

    // The new file goes beside the old one and replaces it only after it has been read back.
    const std::filesystem::path target = ToNativePath(helpPath);
    std::filesystem::path temporary = target;
    temporary += ".search-tmp";
    std::error_code ec;
    if (!WriteBytes(temporary, rewritten)) {
        std::filesystem::remove(temporary, ec);
        result.strReason = "the rewritten help file cannot be written";
        return result;
    }
    if (!Verify(container, reader, rewritten, FromNativePath(temporary), index, breaker, stop,
                result.strReason) ||
        stopped()) {
        std::filesystem::remove(temporary, ec);
        stopped();  // a check that ended for the stop is no failure
        return result;
    }
    reader.Close();
    std::filesystem::rename(temporary, target, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        result.strReason = "the help file cannot be replaced";
        return result;
    }
    result.bReplaced = true;
    result.nPages = writer.DocumentCount();
    result.nWords = writer.WordCount();
    return result;
}

}  // namespace corvane
