#include "crawl/output_file.h"

#include <filesystem>
#include <fstream>

#include "platform/text_codec.h"

namespace corvane {

bool IsSafeLocalName(const std::string& localName) {
    if (localName.empty()) return false;
    if (localName[0] == '/' || localName[0] == '\\') return false;
    if (localName.size() >= 2 && localName[1] == ':') return false;  // a drive
    std::size_t start = 0;
    while (start <= localName.size()) {
        std::size_t end = localName.find_first_of("/\\", start);
        if (end == std::string::npos) end = localName.size();
        if (localName.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

COutputStream::COutputStream(const std::string& folder, const std::string& localName)
    : m_strPath(ToNativePath(folder + localName).string()), m_strTemporary(m_strPath + ".part") {}

COutputStream::~COutputStream() {
    if (m_bCommitted || !m_bOpened) return;
    m_out.close();
    std::error_code error;
    std::filesystem::remove(m_strTemporary, error);
}

bool COutputStream::Write(const char* data, std::size_t size) {
    if (!m_bOpened) {
        m_bOpened = true;
        const std::filesystem::path path(m_strTemporary);
        std::error_code error;
        if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
        m_out.open(path, std::ios::binary | std::ios::trunc);
    }
    if (m_out) m_out.write(data, static_cast<std::streamsize>(size));
    m_nSize += size;
    return true;
}

void COutputStream::Commit() {
    if (!m_bOpened || m_bCommitted) return;
    m_bCommitted = true;
    m_out.close();
    std::error_code error;
    std::filesystem::rename(m_strTemporary, m_strPath, error);
    if (error) std::filesystem::remove(m_strTemporary, error);
}

bool WriteOutputFile(const std::string& folder, const std::string& localName,
                     const std::vector<char>& body) {
    if (!IsSafeLocalName(localName)) return false;
    std::filesystem::path path = ToNativePath(folder + localName);
    std::error_code error;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(body.data(), static_cast<std::streamsize>(body.size()));
    return true;
}

}  // namespace corvane
