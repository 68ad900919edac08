#include "crawl/output_file.h"

#include <boost/format.hpp>
#include <cerrno>

#include "platform/text_codec.h"

namespace corvane {
namespace {

constinit CSjisText kCannotWrite{"ファイルを書き込めません [%s]"};

// "ファイルを書き込めません [path]: No space left on device"
std::string CannotWriteText(const std::string& displayPath, int code) {
    std::string text = (boost::format(kCannotWrite) % displayPath).str();
    const std::string reason = WriteErrorText(code);
    if (!reason.empty()) text += ": " + reason;
    return text;
}

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
    : m_strDisplay(folder + localName), m_file(ToNativePath(m_strDisplay)) {}

COutputStream::~COutputStream() = default;

bool COutputStream::Write(const char* data, std::size_t size) {
    if (!m_strError.empty() || m_bCommitted) return false;
    if (!m_bOpened) {
        m_bOpened = true;
        if (!m_file.Open(true)) {
            m_strError = CannotWriteText(m_strDisplay, m_file.ErrorCode());
            return false;
        }
    }
    if (!m_file.Write(data, size)) {
        m_strError = CannotWriteText(m_strDisplay, m_file.ErrorCode());
        return false;
    }
    m_nSize += size;
    return true;
}

bool COutputStream::Commit() {
    if (!m_strError.empty()) return false;
    if (!m_bOpened || m_bCommitted) return true;
    m_bCommitted = true;
    if (m_file.Commit()) return true;
    m_strError = CannotWriteText(m_strDisplay, m_file.ErrorCode());
    return false;
}

bool WriteOutputFile(const std::string& folder, const std::string& localName,
                     const std::vector<char>& body, std::string* error) {
    if (!IsSafeLocalName(localName)) {
        if (error) *error = kOutsideFolderError;
        return false;
    }
    // The old file stays whole until the new one is: a failed or interrupted write, or a
    // full disk, never leaves half a page where a good one was.
    if (WriteFileAtomically(ToNativePath(folder + localName),
                            std::string_view(body.data(), body.size()), true)) {
        return true;
    }
    if (error) *error = CannotWriteText(folder + localName, errno);
    return false;
}

}  // namespace corvane
