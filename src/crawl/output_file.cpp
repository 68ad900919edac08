#include "crawl/output_file.h"

#include <filesystem>
#include <fstream>

#include <boost/format.hpp>
#include <cerrno>

#include "platform/system_error.h"
#include "platform/text_codec.h"

namespace corvane {
namespace {

constinit CSjisText kCannotWrite{"ファイルを書き込めません [%s]"};

}  // namespace

constinit const CSjisText kOutsideFolderError{"保存先が出力フォルダの外です"};

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
                     const std::vector<char>& body, std::string* error) {
    if (!IsSafeLocalName(localName)) {
        if (error) *error = kOutsideFolderError;
        return false;
    }
    std::filesystem::path path = ToNativePath(folder + localName);
    std::error_code created;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), created);
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    int code = errno;
    if (out) {
        out.write(body.data(), static_cast<std::streamsize>(body.size()));
        out.close();
        if (!out) code = errno;
    }
    if (out) return true;
    if (error) {
        // "ファイルを書き込めません [path]: Permission denied"
        std::string text = (boost::format(kCannotWrite) % (folder + localName)).str();
        std::string reason = GetErrorText(code != 0 ? code : (created ? created.value() : EIO));
        while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) {
            reason.pop_back();
        }
        if (!reason.empty()) text += ": " + reason;
        *error = text;
    }
    return false;
}

}  // namespace corvane
