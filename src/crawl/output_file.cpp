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

// "ファイルを書き込めません [path]: No space left on device"
std::string CannotWriteText(const std::string& displayPath, int code) {
    std::string text = (boost::format(kCannotWrite) % displayPath).str();
    std::string reason = GetErrorText(code != 0 ? code : EIO);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    if (!reason.empty()) text += ": " + reason;
    return text;
}

// Creates or truncates the file; errno of the open that failed, 0 on success. Its folders
// are made only when the file cannot be opened without them: in a crawl nearly every file
// goes to a folder that is there already, and looking first would cost every file a call.
int OpenMakingFolders(std::ofstream& out, const std::filesystem::path& path,
                      std::error_code& created) {
    errno = 0;
    out.open(path, std::ios::binary | std::ios::trunc);
    if (out) return 0;
    int code = errno;
    if (code == ENOENT && path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path(), created);
        errno = 0;
        out.open(path, std::ios::binary | std::ios::trunc);
        code = out ? 0 : errno;
    }
    return code;
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
    : m_strDisplay(folder + localName),
      m_strPath(ToNativePath(m_strDisplay).string()),
      m_strTemporary(m_strPath + ".part") {}

COutputStream::~COutputStream() {
    if (m_bCommitted || !m_bOpened || !m_strError.empty()) return;
    m_out.close();
    std::error_code error;
    std::filesystem::remove(m_strTemporary, error);
}

void COutputStream::Fail(int code) {
    m_strError = CannotWriteText(m_strDisplay, code);
    // Only a temporary file that this stream made is removed; one it could not open (a
    // folder of that name, say) is not its own.
    if (m_out.is_open()) {
        m_out.close();
        std::error_code error;
        std::filesystem::remove(m_strTemporary, error);
    }
}

bool COutputStream::Write(const char* data, std::size_t size) {
    if (!m_strError.empty() || m_bCommitted) return false;
    if (!m_bOpened) {
        m_bOpened = true;
        std::error_code created;
        const int code = OpenMakingFolders(m_out, m_strTemporary, created);
        if (!m_out) {
            Fail(code != 0 ? code : created.value());
            return false;
        }
    }
    errno = 0;
    m_out.write(data, static_cast<std::streamsize>(size));
    if (!m_out) {
        Fail(errno);
        return false;
    }
    m_nSize += size;
    return true;
}

bool COutputStream::Commit() {
    if (!m_strError.empty()) return false;
    if (!m_bOpened || m_bCommitted) return true;
    errno = 0;
    m_out.close();
    if (!m_out) {
        // The last buffered bytes did not reach the file.
        Fail(errno);
        return false;
    }
    m_bCommitted = true;
    std::error_code error;
    std::filesystem::rename(m_strTemporary, m_strPath, error);
    if (!error) return true;
    m_strError = CannotWriteText(m_strDisplay, error.value());
    std::filesystem::remove(m_strTemporary, error);
    return false;
}

bool WriteOutputFile(const std::string& folder, const std::string& localName,
                     const std::vector<char>& body, std::string* error) {
    if (!IsSafeLocalName(localName)) {
        if (error) *error = kOutsideFolderError;
        return false;
    }
    std::filesystem::path path = ToNativePath(folder + localName);
    std::ofstream out;
    std::error_code created;
    int code = OpenMakingFolders(out, path, created);
    if (out) {
        out.write(body.data(), static_cast<std::streamsize>(body.size()));
        out.close();
        if (!out) code = errno;
    }
    if (out) return true;
    if (error) *error = CannotWriteText(folder + localName, code != 0 ? code : created.value());
    return false;
}

}  // namespace corvane
