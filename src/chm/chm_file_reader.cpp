#include "chm/chm_file_reader.h"

#include <chm_lib.h>

#include <cstring>

#include "platform/text_codec.h"

namespace corvane {
namespace {

uint32_t Get32(const std::string& b, size_t pos) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.data() + pos);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

CChmFileReader::~CChmFileReader() { Close(); }

bool CChmFileReader::Open(const std::string& path) {
    Close();
    m_pFile = chm_open(ToNativePath(path).c_str());
    return m_pFile != nullptr;
}

void CChmFileReader::Close() {
    if (m_pFile != nullptr) chm_close(m_pFile);
    m_pFile = nullptr;
}

bool CChmFileReader::Read(const std::string& name, std::string& bytes) const {
    bytes.clear();
    if (m_pFile == nullptr || name.size() > CHM_MAX_PATHLEN) return false;
    chmUnitInfo ui{};
    if (chm_resolve_object(m_pFile, name.c_str(), &ui) != CHM_RESOLVE_SUCCESS) return false;
    if (ui.length == 0) return true;
    if (ui.length > (1ULL << 31)) return false;
    bytes.resize(ui.length);
    const LONGINT64 got = chm_retrieve_object(
        m_pFile, &ui, reinterpret_cast<unsigned char*>(&bytes[0]), 0, ui.length);
    if (got != static_cast<LONGINT64>(ui.length)) {
        bytes.clear();
        return false;
    }
    return true;
}

bool ReadChmTopics(const CChmFileReader& reader, std::vector<CChmTopic>& topics,
                   std::string& error) {
    topics.clear();
    std::string table, urls, strings;
    if (!reader.Read("/#TOPICS", table) || !reader.Read("/#URLTBL", urls) ||
        !reader.Read("/#URLSTR", strings)) {
        error = "no topic table";
        return false;
    }
    for (size_t at = 0; at + 16 <= table.size(); at += 16) {
        const uint32_t url = Get32(table, at + 8);
        if (url > urls.size() || urls.size() - url < 12) {
            error = "topic table points outside the URL table";
            return false;
        }
        const uint32_t str = Get32(urls, url + 8);
        if (str > strings.size() || strings.size() - str < 9) {
            error = "URL table points outside the URL strings";
            return false;
        }
        const size_t begin = str + 8;
        const size_t end = strings.find('\0', begin);
        if (end == std::string::npos) {
            error = "unterminated URL string";
            return false;
        }
        topics.push_back({static_cast<uint32_t>(at / 16), strings.substr(begin, end - begin)});
    }
    return true;
}

}  // namespace corvane
