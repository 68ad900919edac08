#include "server/sample_wiki.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/ascii.h"

namespace corvane::sample {
namespace {

// Percent-decoding that keeps '+' as it is: "?A%2FB" and "?A/B" name one page.
std::string Decode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int hi = HexValue(text[i + 1]), lo = HexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

bool IsScript(const std::string& path) { return path == "/" || path == "/index.php"; }

}  // namespace

std::filesystem::path SampleWiki::DefaultFolder() { return CORVANE_SAMPLE_WIKI_DIR; }

SampleWiki::SampleWiki(const std::filesystem::path& folder) : m_folder(folder) {
    std::ifstream in(folder / "map.tsv", std::ios::binary);
    if (!in) throw std::runtime_error("sample wiki: cannot read " + (folder / "map.tsv").string());
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        size_t tab1 = line.find('\t');
        size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos) continue;
        std::string request = line.substr(0, tab1);
        Entry entry{line.substr(tab1 + 1, tab2 - tab1 - 1), line.substr(tab2 + 1)};
        if (request == "*") {
            m_missing = entry;
            m_bHasMissing = true;
        } else if (request[0] == '?') {
            m_queries[Decode(ReplaceAll(request.substr(1), "&amp;", "&"))] = entry;
        } else {
            m_paths[request] = entry;
        }
    }
}

SampleWiki::Answer SampleWiki::Lookup(const std::string& target) const {
    size_t question = target.find('?');
    std::string path = target.substr(0, question);
    const Entry* entry = nullptr;
    if (question != std::string::npos && IsScript(path)) {
        auto it = m_queries.find(Decode(target.substr(question + 1)));
        entry = it != m_queries.end() ? &it->second : (m_bHasMissing ? &m_missing : nullptr);
    } else if (question == std::string::npos) {
        auto it = m_paths.find(path);
        if (it != m_paths.end())
            entry = &it->second;
        else if (IsScript(path) && m_bHasMissing)
            entry = &m_missing;
    }
    Answer answer;
    if (entry == nullptr) {
        answer.strBody = "not found";
        return answer;
    }
    std::ifstream file(m_folder / entry->strFile, std::ios::binary);
    if (!file) {
        answer.strBody = "missing file " + entry->strFile;
        return answer;
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    answer.nStatus = 200;
    answer.strBody = bytes.str();
    answer.strType = entry->strType;
    return answer;
}

void SampleWiki::Install(httplib::Server& server) {
    server.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        Answer answer = Lookup(req.target);
        res.status = answer.nStatus;
        res.set_content(answer.strBody, answer.strType.c_str());
    });
}

}  // namespace corvane::sample
